#include "app/location_dialog.h"

#include "live/station.h"
#include "places/place_lookup.h"

namespace tickwell {

namespace {

// The town `match` was found through, as a place; nothing when it was
// found by itself.
std::optional<live::Place> TownOf(const places::StationMatch& match) {
    if (match.town.empty()) {
        return std::nullopt;
    }
    const std::optional<places::TablePlace> town = places::FindTableTown(match.town);
    if (!town) {
        return std::nullopt;
    }
    return live::CheckedPlace(live::Place{town->name, town->latitude, town->longitude});
}

// The field's text, cut to what the search reads. A cut in the middle of a
// UTF-8 sequence only leaves a broken last letter, which the search ignores
// like any other character it does not know.
std::string QueryOf(LocationControls& controls) {
    std::string query = controls.QueryText();
    if (query.size() > kMaxQueryBytes) {
        query.resize(kMaxQueryBytes);
    }
    return query;
}

}  // namespace

void LocationDialog::OnInit(LocationControls& controls) {
    searched_.clear();
    matches_.clear();
    chosen_.clear();
    place_.reset();
    Search(controls, QueryOf(controls));
}

void LocationDialog::OnQueryChanged(LocationControls& controls) {
    Search(controls, QueryOf(controls));
}

void LocationDialog::Search(LocationControls& controls, const std::string& query) {
    searched_ = query;
    matches_ = places::FindStations(query);
    std::vector<std::string> lines;
    lines.reserve(matches_.size());
    for (const places::StationMatch& match : matches_) {
        lines.push_back(places::MatchLine(match, distance_));
    }
    controls.SetMatchLines(lines);
}

void LocationDialog::OnOk(LocationControls& controls) {
    const std::string query = QueryOf(controls);
    // A back end that did not report the last change still gets the
    // matches of what the field shows, not of an older text.
    if (query != searched_) {
        Search(controls, query);
    }
    if (!matches_.empty()) {
        const int highlighted = controls.HighlightedLine();
        const bool inList = highlighted >= 0 && highlighted < static_cast<int>(matches_.size());
        const places::StationMatch& match =
            matches_[inList ? static_cast<std::size_t>(highlighted) : 0];
        chosen_ = match.id;
        place_ = TownOf(match);
        controls.End(kLocationOk);
        return;
    }
    if (const std::optional<std::string> id = live::NormalizeStationId(query)) {
        chosen_ = *id;
        place_.reset();
        controls.End(kLocationOk);
    }
}

void LocationDialog::OnCancel(LocationControls& controls) {
    chosen_.clear();
    place_.reset();
    controls.End(kLocationCancel);
}

}  // namespace tickwell
