// Seams through which a window on Linux can show the live view: the command
// line leaves them empty, so presenting and pumping do nothing there.
#pragma once

extern void (*present_hook)();  // called by platform_present with the Canvas complete
extern void (*pump_hook)();     // called by pump_one_message
