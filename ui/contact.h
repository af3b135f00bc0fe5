#pragma once
// Where users reach the maker: the about box's mail address, "Send Message..."
// and "Brisolt Web Site". A distributor who ships the program under its own
// support addresses changes them here, and only here.

inline constexpr const char* kSupportMail = "help@quendral.example";
inline constexpr const char* kWebSite = "https://www.quendral.example/brisolt";
