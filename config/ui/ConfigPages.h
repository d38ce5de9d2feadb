#pragma once
// The pages of the configuration sheet. Each is filled from the configuration record when the
// sheet opens and, on OK, puts the user's values into the sheet's working copy (SheetEdits);
// the page writers then decide what reaches the device.
#include <QWidget>
#include <array>

#include "config/ConfigPageWriter.h"
#include "config/ConfigSheetOk.h"
#include "config/ui/SheetFields.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;

namespace config {

class CConfigPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void Load(const CConfigData& data) = 0;
    // False when a field was refused (its message was shown); FocusFailed then selects it.
    virtual bool Save(SheetEdits& edits) = 0;
    void FocusFailed();

protected:
    // Remembers `field` as the refused one and returns false.
    bool Refused(QWidget* field);
    QLineEdit* AddLine(QFormLayout* form, const QString& label, const QString& name);
    QComboBox* AddCombo(QFormLayout* form, const QString& label, const QString& name);
    // Floats, with `range`; false when refused.
    bool Read(const FloatField& field, float& value, const FloatRange& range);
    bool Read(const CountField& field, uint32_t& value);

private:
    QWidget* failed_ = nullptr;
};

// Resource description, PD tag, node address and the block tags.
class CGeneralPage : public CConfigPage {
    Q_OBJECT
public:
    CGeneralPage(const SheetTarget& target, QWidget* parent = nullptr);
    void Load(const CConfigData& data) override;
    bool Save(SheetEdits& edits) override;

private:
    bool withDevice_;
    std::vector<uint8_t> offered_;
    bool offerCurrent_;
    QLabel* identity_ = nullptr;
    TextField description_;
    TextField pdTag_;
    QComboBox* address_ = nullptr;
    int shownAddressIndex_ = -1;
    std::array<TextField, BlockTagCount> tags_;
};

// Servo gain, reset and rate; the position control limits; the servo warnings.
class CPositionPage : public CConfigPage {
    Q_OBJECT
public:
    explicit CPositionPage(QWidget* parent = nullptr);
    void Load(const CConfigData& data) override;
    bool Save(SheetEdits& edits) override;

private:
    FloatField gain_, reset_, rate_;
    FloatField tightShutoff_, fullOpen_, lower_, upper_, nearClose_, switchLow_, switchHigh_, deviation_, time1_, time2_;
    QGroupBox* warnings_ = nullptr;
    FloatField warnHigh_, warnLow_, warnTime_;
};

// Valve action and type, actuator type, historian limits, valve and actuator identity.
class CActuatorPage : public CConfigPage {
    Q_OBJECT
public:
    explicit CActuatorPage(QWidget* parent = nullptr);
    void Load(const CConfigData& data) override;
    bool Save(SheetEdits& edits) override;

private:
    FlagField valveAction_, valveType_, actuatorType_;
    CountField travel_, cycles_, openTime_, closeTime_, nearCloseTime_;
    QLabel* totals_ = nullptr;
    TextField valveModel_, valveSerial_, actuatorModel_, actuatorSerial_;
    ChoiceField valveMaker_, actuatorMaker_;
};

// AO set-point limits and rate limits, I/O and status options.
class CAoBlockPage : public CConfigPage {
    Q_OBJECT
public:
    explicit CAoBlockPage(QWidget* parent = nullptr);
    void Load(const CConfigData& data) override;
    bool Save(SheetEdits& edits) override;

private:
    FloatField high_, low_, rateUp_, rateDown_;
    BitsField ioOptions_, statusOptions_;
};

// PID PV scale and unit, options, tuning, set-point and output limits.
class CControllerPage : public CConfigPage {
    Q_OBJECT
public:
    explicit CControllerPage(QWidget* parent = nullptr);
    void Load(const CConfigData& data) override;
    bool Save(SheetEdits& edits) override;

private:
    FloatField pvHigh_, pvLow_, gain_, reset_, rate_, ffGain_, spHigh_, spLow_, outHigh_, outLow_;
    ChoiceField pvUnit_;
    BitsField controlOptions_, statusOptions_;
};

// Characterisation, spring range and pressure unit, supply pressure, temperature unit,
// calibration record, servo tuning information and the boot class.
class COptionPage : public CConfigPage {
    Q_OBJECT
public:
    COptionPage(const SheetTarget& target, QWidget* parent = nullptr);
    void Load(const CConfigData& data) override;
    bool Save(SheetEdits& edits) override;
    // The characterisation points as the page holds them (edited with "Define...").
    const std::array<float, 9>& Points() const { return points_; }
    QPushButton* DefineButton() const { return define_; }
    // Opens the curve editor on the page's points (also when "Define" is chosen).
    void EditCurve();

private:
    void OnTypeChosen(int index);
    bool CustomChosen() const;

    QString suffix_;
    ConfigEnumField<uint8_t> charType_;  // the record's choice list
    ChoiceField type_;
    QPushButton* define_ = nullptr;
    std::array<float, 9> points_{};
    FloatField springHigh_, springLow_, supply_;
    ChoiceField pressureUnit_, temperatureUnit_;
    TextField calibrationWho_, calibrationWhere_, tuningInfo_;
    DateField calibrationDate_;
    QCheckBox* linkMaster_ = nullptr;
    uint32_t shownBootClass_ = 0;
};

}  // namespace config
