#include "reminders/CRemindPopupDlg.h"

#include "controls/CImageButton.h"
#include "controls/ResourceImages.h"
#include "platform/BuiltInTune.h"
#include "platform/MediaPlayer.h"
#include "settings/Globals.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <filesystem>

namespace {

std::string WorkingDirectory() {
    std::error_code error;
    return std::filesystem::current_path(error).string();
}

// The window is laid out for 220 x 110 dialog units of its font.
QSize DialogUnits(const QFontMetrics& metrics, int x, int y) {
    return {x * metrics.averageCharWidth() / 4, y * metrics.height() / 8};
}

constexpr char kLiftedProperty[] = "annivoLiftedAbovePopups";

bool StaysOnTop(const QWidget* window) {
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// A pop-up, or another window that stays on top, is on screen.
bool OtherWindowOnTop(const QWidget* besides) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [besides](const QWidget* window) {
        return window != besides && window->isVisible() && StaysOnTop(window);
    });
}

// Gives a dialog the stay-on-top hint too, so that the window system puts it
// above the pop-ups. Without re-creating the window: it is open or opening.
void SetStaysOnTop(QWidget* dialog, bool on) {
    const Qt::WindowFlags flags = dialog->windowFlags().setFlag(Qt::WindowStaysOnTopHint, on);
    dialog->overrideWindowFlags(flags);
    if (QWindow* window = dialog->windowHandle())
        window->setFlags(flags);
    dialog->setProperty(kLiftedProperty, on);
}

// The dialog the user must answer first comes up over the pop-ups, with the
// keyboard: a question hidden behind them would take the Enter key meant for
// a pop-up.
void BringModalToFront() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || qobject_cast<CRemindPopupDlg*>(modal) || !OtherWindowOnTop(modal))
        return;
    if (!StaysOnTop(modal))
        SetStaysOnTop(modal, true);
    modal->raise();
    modal->activateWindow();
}

// Lifts every modal dialog and message box of the program above the open
// pop-ups as it opens; the hint goes again when it closes.
class ModalsAbovePopups final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type != QEvent::Show && type != QEvent::Hide) || !object->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(object);
        if (!widget->isWindow() || qobject_cast<CRemindPopupDlg*>(widget))
            return false;
        if (type == QEvent::Show) {
            // Not mapped yet: the window system shows it with the hint; once
            // it is open it is raised and given the keyboard.
            if (widget->isModal() && !StaysOnTop(widget) && OtherWindowOnTop(widget)) {
                SetStaysOnTop(widget, true);
                QTimer::singleShot(0, this, &BringModalToFront);
            }
        } else if (widget->property(kLiftedProperty).toBool()) {
            SetStaysOnTop(widget, false);
            // A dialog that opened this one is the one to answer now.
            QTimer::singleShot(0, this, &BringModalToFront);
        }
        return false;
    }
};

void KeepModalsAbovePopups() {
    static QPointer<ModalsAbovePopups> filter;
    if (filter.isNull()) {
        filter = new ModalsAbovePopups(qApp);
        qApp->installEventFilter(filter);
    }
}

} // namespace

CRemindPopupDlg* CRemindPopupDlg::Open(const std::string& music, const std::string& heading,
                                       const std::string& message, RemindPopupHost* host) {
    auto* popup = new CRemindPopupDlg(music, heading, message, host);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    std::vector<QPoint> taken;
    int titleBar = 0;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other == popup || !other->isVisible() || !qobject_cast<CRemindPopupDlg*>(other))
            continue;
        taken.push_back(other->pos());
        titleBar = std::max(titleBar, other->geometry().top() - other->frameGeometry().top());
    }
    if (titleBar <= 0) // no frame known yet (or a desktop without one)
        titleBar = popup->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, popup);
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && !taken.empty())
        popup->move(CascadePosition(popup->pos(), popup->frameGeometry().size(),
                                    screen->availableGeometry(), taken, titleBar));
    KeepModalsAbovePopups();
    // A reminder that comes while a dialog is open shows without taking the
    // keyboard from it, and below it.
    const bool dialogOpen = QApplication::activeModalWidget() != nullptr;
    popup->setAttribute(Qt::WA_ShowWithoutActivating, dialogOpen);
    popup->show();
    if (dialogOpen)
        BringModalToFront();
    return popup;
}

QPoint CRemindPopupDlg::CascadePosition(QPoint first, QSize size, const QRect& area,
                                        const std::vector<QPoint>& taken, int step) {
    step = std::max(step, 1);
    const auto isFree = [&taken](QPoint point) {
        return std::find(taken.begin(), taken.end(), point) == taken.end();
    };
    const auto fits = [&](QPoint point) {
        return point.x() + size.width() <= area.right() + 1 &&
               point.y() + size.height() <= area.bottom() + 1;
    };
    for (QPoint point = first; fits(point); point += QPoint(step, step))
        if (isFree(point))
            return point;
    for (QPoint point = area.topLeft(); fits(point); point += QPoint(step, step))
        if (isFree(point))
            return point;
    return first; // a screen full of pop-ups: the usual place
}

CRemindPopupDlg::CRemindPopupDlg(const std::string& music, const std::string& heading,
                                 const std::string& message, RemindPopupHost* host)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint),
      m_Music(music), m_Host(host), m_Player(std::make_unique<MediaPlayer>()) {
    setWindowTitle(QString::fromUtf8("提醒"));
    setWindowIcon(ResourceIcon(kIconProgram));
    setModal(false);

    m_Heading = new QLabel(this);
    m_Heading->setAlignment(Qt::AlignCenter);
    QFont headingFont = m_Heading->font();
    headingFont.setBold(true);
    m_Heading->setFont(headingFont);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_Message = new QPlainTextEdit(this);
    m_Message->setReadOnly(true);
    m_Message->setAccessibleName(QString::fromUtf8("提醒内容"));
    m_Message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_Message->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_Ok = new CImageButton(QString::fromUtf8("确定"), this);
    m_Ok->SetImage(kBitmapConfirm, 18, 18, 3);
    m_Ok->setDefault(true);
    m_StopMusic = new QCheckBox(QString::fromUtf8("按确定时关闭提醒音乐"), this);
    m_StopMusic->setChecked(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_StopMusic);
    bottom->addStretch(1);
    bottom->addWidget(m_Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_Heading);
    layout->addWidget(line);
    layout->addWidget(m_Message, 1);
    layout->addLayout(bottom);
    connect(m_Ok, &QPushButton::clicked, this, &QDialog::accept);

    const QSize size = DialogUnits(fontMetrics(), 220, 110).expandedTo(minimumSizeHint());
    resize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    if (m_Music == kBuiltInTuneMusic) {
        WriteBuiltInTune(WorkingDirectory());
        m_Music = kBuiltInTuneFileName;
    }
    // A missing or unplayable file leaves the reminder silent; the text is what counts.
    if (m_Player->Open(m_Music))
        m_Player->Play();

    m_Heading->setText(QString::fromStdString(heading));
    m_Message->setPlainText(QString::fromStdString(message).replace("\r\n", "\n"));
    m_Ok->setFocus();
}

CRemindPopupDlg::~CRemindPopupDlg() {
    // Destroyed without being closed: still counted out, but the host may be
    // gone already.
    if (!m_Finished) {
        m_Host = nullptr;
        Finish();
    }
}

void CRemindPopupDlg::done(int result) {
    if (!m_Finished)
        Finish();
    QDialog::done(result);
}

void CRemindPopupDlg::Finish() {
    m_Finished = true;
    if (m_StopMusic->isChecked()) {
        m_Player->Stop();
        m_Player->Close();
        DeleteBuiltInTune(WorkingDirectory());
    } else if (m_Player->IsOpen() && m_Host != nullptr) {
        m_Host->KeepMusicPlaying(std::move(m_Player));
    }
    DecrementBusyCount();
    if (m_Host != nullptr)
        m_Host->PopupClosed();
}
