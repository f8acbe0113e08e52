#include "platform/FontConfiguration.h"

#include <fontconfig/fontconfig.h>

void LoadFontConfiguration() {
    // Qt calls FcInit too before it lists the fonts; the configuration is
    // the process's one, so Qt's call then returns at once. A failure here
    // is Qt's to meet and report when it calls.
    FcInit();
}
