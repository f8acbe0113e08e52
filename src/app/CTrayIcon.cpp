#include "app/CTrayIcon.h"

#include "controls/ResourceImages.h"

namespace {

std::optional<bool> g_TrayAvailableOverride;

} // namespace

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent) {
    m_Icon.setToolTip(QString::fromUtf8("Qilora生日提醒"));
    connect(&m_Icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    emit Clicked();
            });
}

CTrayIcon::~CTrayIcon() {
    HideIcon();
}

void CTrayIcon::Create(int iconId) {
    m_IconId = iconId;
    m_Icon.setIcon(ResourceIcon(iconId));
}

void CTrayIcon::ShowIcon() {
    m_Shown = true;
    if (IsAvailable())
        m_Icon.show();
}

void CTrayIcon::HideIcon() {
    m_Shown = false;
    m_Icon.hide();
}

void CTrayIcon::SetContextMenu(QMenu* menu) {
    m_Icon.setContextMenu(menu);
}

bool CTrayIcon::IsAvailable() {
    return g_TrayAvailableOverride.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void CTrayIcon::OverrideAvailability(std::optional<bool> available) {
    g_TrayAvailableOverride = available;
}
