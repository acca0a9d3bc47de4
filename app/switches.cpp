#include "app/switches.h"

#include <algorithm>

#include "base/text_ends.h"

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

}  // namespace

bool Switches::Has(Switch s) const { return std::find(given.begin(), given.end(), s) != given.end(); }

Switches ReadSwitches(const std::vector<std::string>& arguments) {
  Switches read;
  for (const std::string& argument : arguments) {
    const auto known = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                    [&argument](const Named& s) { return SameTextAnyCase(argument, s.name); });
    if (known == std::end(kSwitches)) {
      // Only what is written as a switch is refused: a stray word (the rest
      // of an unquoted path with a space) asks for nothing.
      if (!argument.empty() && (argument[0] == '/' || argument[0] == '-')) read.unknown.push_back(argument);
    } else if (!read.Has(known->which)) {
      read.given.push_back(known->which);
    }
  }
  return read;
}

std::string AfterProgramName(const std::string& commandLine, const std::string& programPath) {
  size_t end = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    end = commandLine.find('"', 1);
    end = end == std::string::npos ? commandLine.size() : end + 1;
  } else if (!programPath.empty() && StartsWithAnyCase(commandLine, programPath)) {
    end = programPath.size();
  } else {
    end = std::min(commandLine.find_first_of(" \t"), commandLine.size());
  }
  return commandLine.substr(end);
}

std::string KnownSwitches() {
  std::string text;
  for (const Named& s : kSwitches) text += (text.empty() ? "" : ", ") + std::string(s.name);
  return text;
}

}  // namespace voltaris
