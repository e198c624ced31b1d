#include "live/answer_limits.h"

namespace tickwell::live {

namespace {

constexpr std::size_t kKiB = 1024;

}  // namespace

// The figures come from real recorded answers of the service, pretty-printed
// as they were saved (the largest of each kind, bytes and values), with a
// wide margin:
//
//   station               836 B,    28 values  -> 16 KiB,   500 values
//   points               3009 B,    91 values  -> 32 KiB,  1000 values
//   gridpoint forecast  13945 B,   385 values  -> 128 KiB, 4000 values
//   zone forecast        2332 B,    59 values  -> 64 KiB,  2000 values
//   latest observation   3495 B,   125 values  -> 32 KiB,  1500 values
//   observation list    39443 B,  1319 values  -> 256 KiB, 12000 values
//                       (twelve observations; the program asks for ten)
//   active alerts       41979 B,   651 values  -> 512 KiB, 8000 values
//   station list         1040 B,    30 values a station -> 1 MiB, 40000 values
//                       (the service lists every station of a gridpoint's
//                       area, some dozens; the program asks for them all)
//   METARs (12 reports)  9 KB,     469 values  -> 256 KiB, 10000 values
//   MET Norway complete 149 KB,  2387 values  -> 1 MiB,   60000 values
//                       (the compact answers are some 110 KB)
//
// A station's own answer carries a JSON-LD context its list entry (the
// recording) lacks, and a zone forecast of a whole week holds some
// fourteen long periods where the recorded one holds three: both get more
// room than ten times what was seen. Alerts get the most, since a storm
// can put a dozen long ones on one point.
AnswerLimits LimitsOf(Endpoint endpoint) {
    switch (endpoint) {
        case Endpoint::Station: return {16 * kKiB, 500, kMaxJsonDepth, kMaxFreshSeconds};
        case Endpoint::Points: return {32 * kKiB, 1000, kMaxJsonDepth, kMaxFreshSeconds};
        case Endpoint::GridForecast: return {128 * kKiB, 4000, kMaxJsonDepth, kMaxFreshSeconds};
        case Endpoint::ZoneForecast: return {64 * kKiB, 2000, kMaxJsonDepth, kMaxFreshSeconds};
        case Endpoint::LatestObservation:
            return {32 * kKiB, 1500, kMaxJsonDepth, kMaxObservationFreshSeconds};
        case Endpoint::ObservationList:
            return {256 * kKiB, 12000, kMaxJsonDepth, kMaxObservationFreshSeconds};
        case Endpoint::Alerts: return {512 * kKiB, 8000, kMaxJsonDepth, kMaxFreshSeconds};
        case Endpoint::StationList: return {1024 * kKiB, 40000, kMaxJsonDepth, kMaxFreshSeconds};
        case Endpoint::Metars:
            return {256 * kKiB, 10000, kMaxJsonDepth, kMaxObservationFreshSeconds};
        case Endpoint::MetNorwayForecast:
            return {1024 * kKiB, 60000, kMaxJsonDepth, kMaxFreshSeconds};
    }
    return kAnyAnswer;
}

}  // namespace tickwell::live
