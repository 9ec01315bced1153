#include "driver/catalogue.h"
const catalogue_row message_catalogue[] = {{0xFFFFFFFFu, {nullptr, nullptr, nullptr, nullptr, nullptr}}};
int language_index = 0;
int select_language(void) { return 0; }
const char *message_text(uint32_t) { return ""; }
int message_code_page(uint32_t, int) { return 1250; }
