#include "app/switches.h"

#include <algorithm>
#include <cctype>

namespace voltaris {
namespace {

struct Named {
  const char* name;
  Switch which;
};

constexpr Named kSwitches[] = {
    {"/install-service", Switch::InstallService},
    {"/trust-installer", Switch::TrustInstaller},
    {"/remove-service", Switch::RemoveService},
    {"/quiet", Switch::Quiet},
    {"/service", Switch::Service},
    {"/headless", Switch::Headless},
};

bool SameSwitch(const std::string& typed, const char* name) {
  const std::string lower(name);
  return typed.size() == lower.size() &&
         std::equal(typed.begin(), typed.end(), lower.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace

bool Switches::Has(Switch s) const { return std::find(given.begin(), given.end(), s) != given.end(); }

Switches ReadSwitches(const std::vector<std::string>& arguments) {
  Switches read;
  for (const std::string& argument : arguments) {
    const auto known = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                    [&argument](const Named& s) { return SameSwitch(argument, s.name); });
    if (known == std::end(kSwitches)) {
      read.unknown.push_back(argument);
    } else if (!read.Has(known->which)) {
      read.given.push_back(known->which);
    }
  }
  return read;
}

std::string KnownSwitches() {
  std::string text;
  for (const Named& s : kSwitches) text += (text.empty() ? "" : ", ") + std::string(s.name);
  return text;
}

}  // namespace voltaris
