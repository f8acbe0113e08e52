#pragma once

#include <QDialog>

#include <vector>

#include <memory>
#include <string>

class CImageButton;
class MediaPlayer;
class QCheckBox;
class QLabel;
class QPlainTextEdit;

// What a reminder pop-up needs from the window that opens it.
class RemindPopupHost {
public:
    virtual ~RemindPopupHost() = default;
    // Keeps a player whose music was not stopped with its pop-up until the
    // music has ended.
    virtual void KeepMusicPlaying(std::unique_ptr<MediaPlayer> player) = 0;
    // A pop-up has closed and no longer counts as busy.
    virtual void PopupClosed() = 0;
};

// The window of one due reminder: heading, message and the person's music,
// played once. Modeless and above other windows; several can be open.
class CRemindPopupDlg : public QDialog {
    Q_OBJECT
public:
    // Opens and shows a pop-up that deletes itself when closed. `music` is
    // empty (none), "HAPPYBIRTHDAY" (the built-in tune, written to happy.mid
    // in the working directory while it is needed) or a sound file. The
    // caller has counted it in g_BusyCount; closing it counts it out.
    // While pop-ups are open, every modal dialog and message box of the
    // program comes up above them and keeps the keyboard, also one that was
    // already open when the pop-up came.
    static CRemindPopupDlg* Open(const std::string& music, const std::string& heading,
                                 const std::string& message, RemindPopupHost* host);

    CRemindPopupDlg(const std::string& music, const std::string& heading,
                    const std::string& message, RemindPopupHost* host);
    ~CRemindPopupDlg() override;

    // Where a pop-up of `size` goes when others are open at `taken`: the
    // first of `first`, then steps of `step` down and right, that no open
    // pop-up occupies, so each shows at least its title bar. Steps that would
    // leave `area` start again from its top left corner.
    static QPoint CascadePosition(QPoint first, QSize size, const QRect& area,
                                  const std::vector<QPoint>& taken, int step);

    QLabel* Heading() const { return m_Heading; }
    QPlainTextEdit* Message() const { return m_Message; }
    CImageButton* OkButton() const { return m_Ok; }
    QCheckBox* StopMusicBox() const { return m_StopMusic; }
    const MediaPlayer* Player() const { return m_Player.get(); }
    const std::string& Music() const { return m_Music; }

    // OK, Esc and the close box all end the reminder the same way, so a
    // check-once run is never left waiting for a pop-up nobody confirmed.
    void done(int result) override;

private:
    void Finish();

    std::string m_Music;
    RemindPopupHost* m_Host;
    std::unique_ptr<MediaPlayer> m_Player;
    QLabel* m_Heading;
    QPlainTextEdit* m_Message;
    CImageButton* m_Ok;
    QCheckBox* m_StopMusic;
    bool m_Finished = false;
};
