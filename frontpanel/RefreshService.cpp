#include "frontpanel/RefreshService.h"

#include "frontpanel/MainForm.h"

bool TRefreshService::Offer(QDBusConnection bus) {
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportAllSlots)) return false;
    if (!bus.registerService(QString::fromLatin1(ServiceName))) {
        bus.unregisterObject(QString::fromLatin1(ObjectPath));
        return false;
    }
    return true;
}

// Calls arrive on the GUI thread, where the window lives.
void TRefreshService::RefreshLink(int box) { form_.RequestLinkRefresh(box); }
