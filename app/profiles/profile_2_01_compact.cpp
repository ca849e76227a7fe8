#include "common/build_profile.h"

// Version 2.01 in a smaller window: the top 140 rows of the picture are cut off.
const BuildProfile build_profile = {
    "2.01-compact", "Velliqor v2.01", "Velliqor 2.01", 800, 599, 790, 540, 15, false, false,
};
