#include "controls/CMainView.h"

#include "controls/CHyperLink.h"

#include <QVBoxLayout>

CMainView::CMainView(int viewId, const QString& initialHint, QWidget* parent)
    : QWidget(parent), m_ViewId(viewId), m_Layout(new QVBoxLayout(this)),
      m_HintLine(new CHyperLink(initialHint, this)) {
    m_Layout->setContentsMargins(4, 4, 4, 4);
    m_Layout->addStretch(1);
    m_HintLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_HintLine->setMinimumHeight(m_HintLine->fontMetrics().height() + 6);
    m_Layout->addWidget(m_HintLine);
}

void CMainView::SetContent(QWidget* content) {
    if (m_Content != nullptr) {
        m_Layout->removeWidget(m_Content);
        delete m_Content;
    } else {
        delete m_Layout->takeAt(0); // the stretch that held the place
    }
    m_Content = content;
    content->setParent(this);
    m_Layout->insertWidget(0, content, 1);
}
