// The mount list parser on any text: it never fails, and what it offers are absolute mount
// points, each once, none of them a system or pseudo mount.

#include "browser/DriveList.h"
#include "FuzzCheck.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<DriveList::Volume> volumes = DriveList::volumesFromMountInfo(fuzzBytes(data, size));
    std::set<QByteArray> seen;
    for (const DriveList::Volume &v : volumes) {
        FUZZ_CHECK(v.mountPoint.startsWith('/'));
        FUZZ_CHECK(seen.insert(v.mountPoint).second);
        if (v.mountPoint == "/")
            continue;
        FUZZ_CHECK(v.fsType != "proc" && v.fsType != "sysfs" && v.fsType != "devtmpfs");
        FUZZ_CHECK(!v.mountPoint.startsWith("/proc/") && v.mountPoint != "/proc");
        FUZZ_CHECK(!v.mountPoint.startsWith("/sys/") && v.mountPoint != "/sys");
    }
    return 0;
}
