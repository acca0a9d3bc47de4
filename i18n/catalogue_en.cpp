// The English build's texts.
#include "i18n/catalogue.h"

namespace voltaris {

const char* Tr(Text text) { return English(text); }

}  // namespace voltaris
