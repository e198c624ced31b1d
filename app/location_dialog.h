// The Location dialog's logic: a search field whose every change lists the
// matching stations, and OK, which takes the highlighted match (the first,
// when none is highlighted) or, with no match at all, the text itself when
// it is a valid station id, for the weather service to judge.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "live/place.h"
#include "places/station_search.h"
#include "platform/window.h"

namespace tickwell {

constexpr int kLocationOk = 1;
constexpr int kLocationCancel = 2;

// The most of the field's text the search reads: far more than any place
// name, and it keeps a pasted novel from costing a search over all of it.
constexpr std::size_t kMaxQueryBytes = 200;

class LocationDialog : public LocationProcedure {
public:
    // The matches' distances in `distance`.
    explicit LocationDialog(places::Distance distance = places::Distance::Miles)
        : distance_(distance) {}

    void OnInit(LocationControls& controls) override;
    void OnQueryChanged(LocationControls& controls) override;
    // Ends the dialog with kLocationOk once a station is chosen; leaves it
    // open when the text neither matches nor is a station id.
    void OnOk(LocationControls& controls) override;
    void OnCancel(LocationControls& controls) override;

    // The station chosen with OK; empty until then.
    const std::string& chosenStation() const { return chosen_; }
    // The town the station was found through, when it was: its forecast
    // is the one shown. Nothing for a station chosen by itself.
    const std::optional<live::Place>& chosenPlace() const { return place_; }

private:
    // Lists the matches of `query`.
    void Search(LocationControls& controls, const std::string& query);

    places::Distance distance_;
    std::string searched_;
    std::vector<places::StationMatch> matches_;
    std::string chosen_;
    std::optional<live::Place> place_;
};

}  // namespace tickwell
