// The two pages of the weather server, by their request paths: the fetch
// job asks for them, the stand-in servers and the live source answer them.
// They are fixed data of the server's protocol, shared like the program's
// strings, so they live here, below both the fetch job and the live source.
#pragma once

namespace tickwell {

constexpr const char* forecastPath =
    "/cgi-bin-den/webfcst.pl?city=Denver+and+northern+eastern+and+southern+Suburbs";
constexpr const char* roundupPath = "/cgi-bin-den/showProduct.pl?title=na&product=rwrco&backto=1";

}  // namespace tickwell
