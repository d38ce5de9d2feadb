#pragma once
// Delivers posted window messages on the Qt user-interface thread: every post schedules a
// queued call of MessageDispatcher::DeliverPending on the thread that owns this object.
#include <QObject>

namespace platform {

class QtMessagePump : public QObject {
    Q_OBJECT
public:
    explicit QtMessagePump(QObject* parent = nullptr);
    ~QtMessagePump() override;

public slots:
    void Deliver();
};

}  // namespace platform
