#include "tools/population/CampaignTable.h"

#include <algorithm>
#include <cmath>

#include "platform/Ui.h"

namespace population {

namespace {

void PrintRows(std::FILE* out, const std::vector<CampaignRow>& rows) {
    size_t w[5] = {5, 6, 5, 8, 5};
    for (const CampaignRow& r : rows) {
        w[0] = std::max(w[0], r.valve.size());
        w[1] = std::max(w[1], r.figure.size());
        w[2] = std::max(w[2], r.truth.size());
        w[3] = std::max(w[3], r.measured.size());
        w[4] = std::max(w[4], r.error.size());
    }
    const auto line = [&](const std::string& a, const std::string& b, const std::string& c, const std::string& d,
                          const std::string& e, const char* verdict) {
        std::fprintf(out, "%-*s  %-*s  %-*s  %-*s  %-*s  %s\n", int(w[0]), a.c_str(), int(w[1]), b.c_str(),
                     int(w[2]), c.c_str(), int(w[3]), d.c_str(), int(w[4]), e.c_str(), verdict);
    };
    line("valve", "figure", "truth", "measured", "error", "target");
    for (const CampaignRow& r : rows) line(r.valve, r.figure, r.truth, r.measured, r.error, r.met ? "met" : "MISSED");
    std::fflush(out);
}

}  // namespace

CampaignTable& CampaignTable::Instance() {
    static CampaignTable table;
    return table;
}

void CampaignTable::Add(CampaignRow row) {
    std::lock_guard<std::mutex> hold(lock_);
    rows_.push_back(std::move(row));
}

bool CampaignTable::Compare(const std::string& valve, const std::string& figure, double truth, double measured,
                            double tolerance, const char* unit) {
    const double error = measured - truth;
    const bool met = std::isfinite(measured) && std::fabs(error) <= tolerance;
    Add({valve, figure, platform::Format("%.2f %s", truth, unit), platform::Format("%.2f %s", measured, unit),
         platform::Format("%+.2f (max %.2f)", error, tolerance), met});
    return met;
}

bool CampaignTable::Expect(const std::string& valve, const std::string& figure, const std::string& wanted,
                           const std::string& got, bool met) {
    Add({valve, figure, wanted, got, met ? "-" : "wrong", met});
    return met;
}

std::vector<CampaignRow> CampaignTable::Rows() const {
    std::lock_guard<std::mutex> hold(lock_);
    return rows_;
}

void CampaignTable::Print(std::FILE* out) const { PrintRows(out, Rows()); }

void CampaignTable::PrintValve(std::FILE* out, const std::string& valve) const {
    std::vector<CampaignRow> rows;
    for (const CampaignRow& r : Rows())
        if (r.valve == valve) rows.push_back(r);
    PrintRows(out, rows);
}

}  // namespace population
