#include "platform/ui/QtMessagePump.h"

#include <QMetaObject>

#include "platform/WindowMessages.h"

namespace platform {

QtMessagePump::QtMessagePump(QObject* parent) : QObject(parent) {
    MessageDispatcher::Instance().SetWakeup([this] {
        QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
    });
}

QtMessagePump::~QtMessagePump() { MessageDispatcher::Instance().SetWakeup(nullptr); }

void QtMessagePump::Deliver() { MessageDispatcher::Instance().DeliverPending(); }

}  // namespace platform
