#pragma once

#include <QDialog>

class CHyperLink;
class CImageButton;

// The About box: program icon, version and a link to the maker's forum.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CHyperLink* Link() const { return m_Link; }
    CImageButton* OkButton() const { return m_Ok; }

private:
    CHyperLink* m_Link;
    CImageButton* m_Ok;
};
