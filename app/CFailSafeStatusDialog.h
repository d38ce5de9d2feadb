#pragma once
// The fail-safe status dialog: opened from OFFLINE with Ctrl+F, it lists the devices of the
// link with their presence so a technician can see at a glance which positioners answer.
#include <QDialog>

#include "fieldbus/FieldbusLink.h"

class QTableWidget;

class CFailSafeStatusDialog : public QDialog {
    Q_OBJECT
public:
    CFailSafeStatusDialog(fieldbus::FieldbusLink& link, QWidget* parent = nullptr);
    void Refresh();
    QTableWidget* Table() const { return table_; }

private:
    fieldbus::FieldbusLink& link_;
    QTableWidget* table_;
};
