// Helper process for the crash and race tests: opens the user database as TessaroAdmin does,
// says "ready" on its standard output, then changes the passwords of "Admin" and "bob" in one
// commit after another, alternating between two passwords, as often as asked (0: until it is
// killed). Exits 1 when a commit fails.
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "admin/AdminLogon.h"
#include "admin/UserAdminModel.h"
#include "logon/LogonDatabase.h"
#include "platform/Registry.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    platform::Registry registry(argv[1]);
    logon::LogonDatabase database(registry, argv[2], logon::Edition::Maker);
    admin::AdminLogon(database).Open();
    if (::write(STDOUT_FILENO, "ready\n", 6) != 6) return 2;
    const long count = std::atol(argv[3]);
    const char* passwords[] = {"first", "second"};
    for (long i = 0; count == 0 || i < count; ++i) {
        admin::UserAdminModel model(database.Users(), logon::Edition::Maker);
        for (int row = 0; row < model.Count(); ++row) {
            if (model.Entries()[row].name != "Admin" && model.Entries()[row].name != "bob") continue;
            model.Click(row);
            model.ChangePassword(passwords[i % 2]);
        }
        if (model.Commit(database) != 0) return 1;
    }
    return 0;
}
