#pragma once
// The active audio output endpoints.

#include <string>
#include <vector>

struct Endpoint {
  std::wstring id;   // the endpoint's id, for opening it
  std::string name;  // its friendly name, in the system's ANSI code page
  std::string idText;  // the id in UTF-8, for the program to store
};

struct IMMDevice;

// What the output shows of the endpoint it opened.
struct EndpointTraits {
  std::string name;  // friendly name, ANSI
  bool bluetooth = false;
};
EndpointTraits DescribeEndpoint(IMMDevice* device);

// Active render endpoints: the system's default output first, then the
// others in a stable order (bass/output_rules.h).
std::vector<Endpoint> ListEndpoints();
