#pragma once
// The edition this installation belongs to: the maker edition "Tessaro" or the partner
// edition "Meridane". It decides whether "holmgard" is a built-in user and which picture and
// company line the logon dialogs and about boxes show.
#include <string>

namespace logon {

enum class Edition { Maker, Partner };

// The installation setting: the environment variable TESSARO_EDITION. "Meridane" or
// "partner" (any case) select the partner edition; anything else, or no value, the maker
// edition.
Edition InstalledEdition();
// Same rule applied to a given setting text (empty for "not set").
Edition EditionFromSetting(const std::string& setting);

inline bool IsMakerEdition(Edition edition) { return edition == Edition::Maker; }
// "Tessaro" or "Meridane".
std::string EditionName(Edition edition);
// The company line of the about boxes.
std::string EditionCompanyLine(Edition edition);

}  // namespace logon
