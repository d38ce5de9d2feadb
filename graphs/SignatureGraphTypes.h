#pragma once
// What the signature graph window shows for each graph type (the signature kinds; extended
// and high resolution share one graph), and its menu command numbers.
#include <string>

namespace graphs {

// The graph of a signature kind: extended and high resolution map to the extended graph.
int GraphTypeOf(int kind);
bool IsGraphType(int type);

// "Actuator Signature", "Extended/High Resolution", "Step Response Test", "Positioner
// Signature", "Signature Trend"; "" for other types.
std::string GraphTitle(int type);
// Axis captions; with a unit the caption names it ("Pressure (MPa)").
std::string GraphXCaption(int type, const std::string& unit = {});
std::string GraphYCaption(int type, const std::string& unit = {});
// The window menu's load command for the shown graph ("Load Data" without one).
std::string LoadCommandText(int type);

// Curve menu commands: the base plus the curve index.
inline constexpr int kCmdRemoveCurve = 19000;
inline constexpr int kCmdExportCurve = 19050;
inline constexpr int kCmdSummary = 19100;
inline constexpr int kCmdNotes = 19150;
inline constexpr int kCmdSaveToFile = 19200;
inline constexpr int kCmdSaveToRecord = 19250;
inline constexpr int kCmdSaveToBaseline = 19300;
inline constexpr int kCmdResultAnalysis = 19350;
inline constexpr int kCommandsPerBase = 50;  // curves a menu can address

}  // namespace graphs
