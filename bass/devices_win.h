#pragma once
// The active audio output endpoints.

#include <string>
#include <vector>

struct Endpoint {
  std::wstring id;   // the endpoint's id, for opening it
  std::string name;  // its friendly name, in the system's ANSI code page
};

// Active render endpoints in a stable order (sorted by endpoint id, which
// does not change across runs or when other devices come and go).
std::vector<Endpoint> ListEndpoints();
