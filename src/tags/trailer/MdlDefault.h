#pragma once
// The program-wide settings that several subsystems read: a plain struct, owned by the main window
// and handed by reference to the subsystems that read it. What the current file is lives in the
// browser's record of it, not here.

struct MdlDefault {
    bool SupportLFN = false;  // true: long file names are proposed; false: 8.3 names
};
