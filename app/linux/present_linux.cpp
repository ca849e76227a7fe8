#include "app/linux/present_linux.h"

#include "view/platform.h"

void (*present_hook)() = nullptr;
void (*pump_hook)() = nullptr;

void platform_present() {
    if (present_hook != nullptr) present_hook();
}

void pump_one_message() {
    if (pump_hook != nullptr) pump_hook();
}
