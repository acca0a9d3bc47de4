// Actions that change the simulated UPS while it runs, as written in scenario
// files ("at <seconds> <action>") and sent on the control channel ("<action>").
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace upssim {

class UpsModel;

struct LinkEffects {
  bool unplugged = false;  // no reply at all
  int cutReplyTo = -1;     // send only this many characters of a reply; -1: whole
  int noiseBytes = 0;      // bytes of noise to send now (consumed by the line)
  int trailBytes = 0;      // bytes of noise sent right after every reply
  bool quit = false;
};

struct Action {
  std::string verb;               // first word, for the log
  std::vector<std::string> words; // all words
};

struct ParseResult {
  std::optional<Action> action;
  std::string error;  // set when action is empty
};

// Checks the words of one action; never throws.
ParseResult ParseAction(const std::string& text);

// Applies a checked action to the model and the link effects.
void ApplyAction(const Action& action, UpsModel& model, LinkEffects& link, double now);

struct Step {
  double at = 0;
  Action action;
};

struct Scenario {
  std::vector<Step> steps;  // sorted by time, file order kept among equals
};

// Parses a whole scenario file's text. On failure returns nothing and fills
// `error` with "line N: ...".
std::optional<Scenario> ParseScenario(const std::string& text, std::string& error);

}  // namespace upssim
