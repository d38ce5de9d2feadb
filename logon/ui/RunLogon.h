#pragma once
// Tessaro's start-up logon.
class QWidget;

namespace logon {

class LogonDatabase;

// Shows the logon dialog on the process-wide registry and system directory, in the edition
// of this installation. Returns 0 when a user logged on (CurrentUser then holds the name and
// level), 2 when the user chose "E&xit".
int RunLogon(QWidget* parent);
// Same on a given database.
int RunLogon(QWidget* parent, LogonDatabase& database);

// "Tessaro Version " and the program version.
const char* LogonVersionText();

}  // namespace logon
