// The French build's texts.
#include "i18n/catalogue.h"

namespace voltaris {

const char* Tr(Text text) { return French(text); }

}  // namespace voltaris
