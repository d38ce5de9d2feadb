#pragma once
// The valve's travel at a glance: a bar from 0 to 100 % filled to the actual position, with a
// mark at the set point.
#include <QWidget>

class CTravelBar : public QWidget {
    Q_OBJECT
public:
    explicit CTravelBar(QWidget* parent = nullptr);
    // Position and set point in percent of travel; `known` false shows an empty bar.
    void SetValues(bool known, float position, float setPoint);
    QSize sizeHint() const override { return {320, 44}; }
    QSize minimumSizeHint() const override { return {160, 44}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool known_ = false;
    float position_ = 0;
    float setPoint_ = 0;
};
