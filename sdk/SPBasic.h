// The basic suite: the one host service a plug-in is handed directly. Every other suite is acquired
// through it by name and version and must be released with the same name and version.
#pragma once

#include "sdk/PrSDKTypes.h"

struct SPBasicSuite {
    // Looks the suite up and stores a pointer to its function record in *suite (null when the host
    // has no such suite or refuses it). Returns kSPNoError when *suite was set.
    SPErr (*AcquireSuite)(const char* name, csSDK_int32 version, const void** suite);
    // Gives back one acquisition of the suite.
    SPErr (*ReleaseSuite)(const char* name, csSDK_int32 version);
};

// What the host hands a plug-in in its standard parameters: a way to the basic suite and the host's
// memory allocator. Shared by the exporter's and the importer's standard parameter records.
struct PlugUtilFuncs {
    SPBasicSuite* (*getSPBasicSuite)(void);
};

struct PlugMemoryFuncs {
    // A block of the given size that the plug-in hands to the host (the host frees it); null when
    // the host cannot allocate.
    PrMemoryPtr (*newPtr)(csSDK_uint32 size);
    // Frees a block made by newPtr.
    void (*disposePtr)(PrMemoryPtr block);
};

struct PlugSuites {
    csSDK_int32 piInterfaceVer;
    PlugMemoryFuncs* memFuncs;
    PlugUtilFuncs* utilFuncs;
};
