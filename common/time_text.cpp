#include "common/basics.h"

#include <cstdio>

void time_text(std::int32_t p, char* text) {
    const std::int32_t s = p / samples_per_second;
    std::snprintf(text, time_text_size, "%02d:%02d", s / 60, s % 60);
}
