#pragma once
// The small dialogs of the trend window: channel selection, scope settings, sample interval
// and the positioner output. Each returns false when cancelled.
#include "trend/TrendRecorder.h"

class QWidget;

namespace trend {

bool AskChannelSelection(QWidget* parent, ChannelFlags& flags);
bool AskScopeSettings(QWidget* parent, ScopeSettings& settings);
bool AskSampleInterval(QWidget* parent, int& milliseconds);
// Shows AO OUT; an entry is possible only when `entry.allowed`.
bool AskPositionSetPoint(QWidget* parent, const PositionSetPointEntry& entry, float& value);

}  // namespace trend
