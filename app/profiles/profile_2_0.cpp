#include "common/build_profile.h"

// Version 2.0: unpaired short pulses count as '0's, and gaps are not estimated.
const BuildProfile build_profile = {
    "2.0", "Velliqor v2.0", "Velliqor 2.0", 810, 731, 800, 680, 15, true, true,
};
