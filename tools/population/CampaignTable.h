#pragma once
// The campaign's findings: one row per figure of a valve (what the valve truly is, what the
// program measured, the error, and whether it met its target), printed as a table.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace population {

struct CampaignRow {
    std::string valve;
    std::string figure;
    std::string truth;
    std::string measured;
    std::string error;
    bool met = true;
};

class CampaignTable {
public:
    static CampaignTable& Instance();
    void Add(CampaignRow row);
    // A figure compared with its truth: met when |measured - truth| <= tolerance.
    bool Compare(const std::string& valve, const std::string& figure, double truth, double measured,
                 double tolerance, const char* unit);
    // A result text that must (or must not) be what the valve calls for.
    bool Expect(const std::string& valve, const std::string& figure, const std::string& wanted,
                const std::string& got, bool met);
    std::vector<CampaignRow> Rows() const;
    void Print(std::FILE* out) const;
    void PrintValve(std::FILE* out, const std::string& valve) const;

private:
    mutable std::mutex lock_;
    std::vector<CampaignRow> rows_;
};

}  // namespace population
