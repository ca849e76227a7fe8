#include "common/build_profile.h"

// Version 2.0 with a history of 50 '0' cycles for the period estimate.
const BuildProfile build_profile = {
    "2.0-long", "Velliqor v2.0", "Velliqor 2.0", 810, 731, 800, 680, 50, false, false,
};
