#pragma once
// The linkage calculator: stroke, offset and lever lengths of a linear actuator driving the
// rotary position sensor through a simple lever or a lever with a link; OK checks the input,
// shows the sensor's rotation and hands the nine characterisation points on.
#include <QDialog>

#include "config/LinkageCalculator.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace config {

class CLinkageDlg : public QDialog {
    Q_OBJECT
public:
    // `inch`: the unit box starts at "inch" (else "mm").
    explicit CLinkageDlg(bool inch, QWidget* parent = nullptr);

    const LinkageResult& Result() const { return result_; }
    QLineEdit* Field(const char* name) const;
    QComboBox* UnitBox() const { return unit_; }
    QRadioButton* LinkType() const { return withLink_; }
    QRadioButton* SecondOrientation() const { return mirrored_; }

    void accept() override;

private:
    void UpdateEnabled();

    QLineEdit* s_ = nullptr;
    QLineEdit* t_ = nullptr;
    QLineEdit* l1_ = nullptr;
    QLineEdit* l2_ = nullptr;
    QLineEdit* l3_ = nullptr;
    QComboBox* unit_ = nullptr;
    QRadioButton* simple_ = nullptr;
    QRadioButton* withLink_ = nullptr;
    QRadioButton* straight_ = nullptr;
    QRadioButton* mirrored_ = nullptr;
    LinkageResult result_;
};

}  // namespace config
