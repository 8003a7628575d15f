// The importer plug-in's one exported function and the handlers that need no opened file.
// Everything the host calls goes through xImportEntry: every call is logged with the selector's and
// the result's names, and no exception leaves it.
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "container/riff/FourCC.h"
#include "host/FormatTables.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/ModuleInit.h"
#include "host/TextUtil.h"
#include "importer/QuorvaneImporter.h"

QUORVANE_DEFINE_MODULE(kImporterLogBaseName);

namespace {

constexpr csSDK_uint32 kFileTypeAVIV = PrFourCCHighFirst('A', 'V', 'I', 'V');
constexpr int kSubTypeNameUnits = 256;

template <typename Record>
Record* recordOf(void* param, const char* what)
{
    if (param == nullptr)
        throw std::logic_error(std::string("no ") + what + " record");
    return static_cast<Record*>(param);
}

QuorvaneImporter& importerOf(void* object)
{
    if (object == nullptr)
        throw std::logic_error("no importer object");
    return *static_cast<QuorvaneImporter*>(object);
}

// The importer of a record that carries it in its private-data field.
template <typename Record>
QuorvaneImporter& importerIn(Record* rec)
{
    return importerOf(rec->privatedata);
}

int imSDKInit(imStdParms* stdParms, imImportInfoRec* info)
{
    SPBasicSuite* basic = BasicSuiteOf(stdParms);
    auto holder = std::make_unique<SuiteWrapper<PrSDKErrorSuite3>>(basic, kPrSDKErrorSuite, kPrSDKErrorSuiteVersion, true);
    g_errorSuitePtr.swap(holder);
    holder.reset(); // an earlier init's suite goes back now

    InitSubTypeAndFormatInfos(basic);
    LogFormatInfos(basic);

    info->priority = 200;
    info->canProvideAsyncImporter = 1;
    return imNoErr;
}

int imSDKGetIndFormat(unsigned index, imIndFormatRec* rec)
{
    if (index != 0) {
        Logger::Log("index %u: imBadFormatIndex", index);
        return imBadFormatIndex;
    }
    rec->filetype = kFileTypeAVIV;
    rec->flags = 0;
    safeStrCpy(rec->formatName, sizeof rec->formatName, "Quorvane AVI");
    safeStrCpy(rec->formatShortName, sizeof rec->formatShortName, "Quorvane AVI");
    safeStrCpy(rec->platformExtension, sizeof rec->platformExtension, "avi");
    Logger::Log("index %u: %s", index, riff::fcc::to_string(kFileTypeAVIV, riff::fcc::HighByteFirst).c_str());
    return imNoErr;
}

int imSDKGetSubTypeNames(imStdParms* stdParms, int fileType, imSubTypeDescriptionRec** out)
{
    Logger::Log("filetype: %s", riff::fcc::to_string(unsigned(fileType), riff::fcc::HighByteFirst).c_str());
    if (out == nullptr)
        throw std::logic_error("no subtype description out-pointer");
    if (stdParms == nullptr || stdParms->piSuites == nullptr || stdParms->piSuites->memFuncs == nullptr ||
        stdParms->piSuites->memFuncs->newPtr == nullptr)
        throw std::logic_error("no host memory functions");

    const std::size_t rows = g_subTypeInfos.size();
    PrMemoryPtr block = stdParms->piSuites->memFuncs->newPtr(csSDK_uint32(rows * sizeof(imSubTypeDescriptionRec)));
    if (block == nullptr)
        throw std::bad_alloc();
    auto* descriptions = reinterpret_cast<imSubTypeDescriptionRec*>(block);
    for (std::size_t i = 0; i < rows; ++i) {
        const SubTypeInfo& row = g_subTypeInfos[i];
        // The names are short table texts; one that would not fit its field stays empty.
        unsigned short name[kSubTypeNameUnits] = {};
        if (std::wcslen(row.subTypeName) < kSubTypeNameUnits)
            copyConvertStringLiteralIntoUTF16(row.subTypeName, name);
        imSubTypeDescriptionRec description{};
        description.subtype = row.subType;
        std::memcpy(description.subTypeName, name, sizeof name);
        std::memcpy(&descriptions[i], &description, sizeof description);
        Logger::Log("Adding subtype: '%s' : '%s'", riff::fcc::to_string(row.subType, riff::fcc::HighByteFirst).c_str(),
                    utf8_encode(row.subTypeName).c_str());
    }
    *out = descriptions;
    return imNoErr;
}

int imSDKOpenFile8(imStdParms* stdParms, imFileRef* fileRef, imFileOpenRec8* rec)
{
    std::unique_ptr<QuorvaneImporter> created;
    QuorvaneImporter* importer = static_cast<QuorvaneImporter*>(rec->privatedata);
    if (importer == nullptr) {
        created = std::make_unique<QuorvaneImporter>(stdParms);
        importer = created.get();
    }
    // The path field is bounded: a host path without its terminator reads as no path at all.
    const std::string path = utf16_to_path(rec->filepath, kPrMaxPathUnits);
    if (!importer->openFile(path, rec->inStreamIdx, rec->inReadWrite))
        return imBadFile; // a new object goes; one the host holds stays with it

    const imFileRef fd = importer->m_file.file();
    if (fileRef != nullptr)
        *fileRef = fd;
    rec->fileref = fd;
    rec->filetype = kFileTypeAVIV;
    if (created)
        rec->privatedata = created.release();
    return imNoErr;
}

// Quiet and close: the file is closed and the host's reference to it made invalid.
void quietFile(imFileRef* fileRef, QuorvaneImporter& importer)
{
    importer.logFileLines();
    importer.closeFile();
    if (fileRef != nullptr)
        *fileRef = kImInvalidFileRef;
}

int dispatch(csSDK_int32 selector, imStdParms* stdParms, void* param1, void* param2)
{
    switch (selector) {
    case imInit:
        return imSDKInit(stdParms, recordOf<imImportInfoRec>(param1, "import info"));
    case imShutdown:
        g_errorSuitePtr.reset();
        return imNoErr;
    case imQuietFile:
        quietFile(static_cast<imFileRef*>(param1), importerOf(param2));
        return imNoErr;
    case imCloseFile: {
        QuorvaneImporter& importer = importerOf(param2);
        quietFile(static_cast<imFileRef*>(param1), importer);
        delete &importer;
        return imNoErr;
    }
    case imAnalysis: {
        auto* rec = recordOf<imAnalysisRec>(param2, "analysis");
        importerIn(rec).imSDKAnalysis(rec);
        return imNoErr;
    }
    case imDataRateAnalysis: {
        auto* rec = recordOf<imDataRateAnalysisRec>(param2, "data rate");
        importerIn(rec).imSDKDataRateAnalysis(rec);
        return imNoErr;
    }
    case imGetIndFormat:
        return imSDKGetIndFormat(unsigned(reinterpret_cast<std::uintptr_t>(param1)),
                                 recordOf<imIndFormatRec>(param2, "format"));
    case imImportAudio7: {
        auto* rec = recordOf<imImportAudioRec7>(param2, "audio");
        return importerOf(rec->privateData).imSDKImportAudio7(rec);
    }
    case imGetIndPixelFormat: {
        auto* rec = recordOf<imIndPixelFormatRec>(param2, "pixel format");
        return importerIn(rec).imSDKGetIndPixelFormat(unsigned(reinterpret_cast<std::uintptr_t>(param1)), rec);
    }
    case imGetSupports8:
        return malSupports8;
    case imGetInfo8: {
        auto* rec = recordOf<imFileInfoRec8>(param2, "file info");
        return importerIn(rec).imSDKGetInfo8(static_cast<imFileAccessRec8*>(param1), rec);
    }
    case imOpenFile8:
        return imSDKOpenFile8(stdParms, static_cast<imFileRef*>(param1), recordOf<imFileOpenRec8>(param2, "file open"));
    case imCreateAsyncImporter: {
        auto* rec = recordOf<imAsyncImporterCreationRec>(param1, "async importer creation");
        return importerOf(rec->inPrivateData).imSDKCreateAsyncImporter(stdParms, rec);
    }
    case imGetSourceVideo: {
        auto* rec = recordOf<imSourceVideoRec>(param2, "source video");
        return importerOf(rec->inPrivateData).imSDKGetSourceVideo(rec);
    }
    case imGetSubTypeNames:
        return imSDKGetSubTypeNames(stdParms, int(reinterpret_cast<std::intptr_t>(param1)),
                                    static_cast<imSubTypeDescriptionRec**>(param2));
    case imGetAudioChannelLayout: {
        auto* rec = recordOf<imGetAudioChannelLayoutRec>(param2, "channel layout");
        return importerOf(rec->privateData).imSDKGetAudioChannelLayout(rec);
    }
    default:
        return imUnsupported;
    }
}

csSDK_int32 xImportEntryInternal(csSDK_int32 selector, imStdParms* stdParms, void* param1, void* param2)
{
    static constexpr EntryNames kNames{GetImporterSelectorName, GetImporterReturnValueName,
                                       "QuorvaneImporter: Internal error"};
    return GuardedEntry(kNames, selector, [&] { return dispatch(selector, stdParms, param1, param2); });
}

} // namespace

PR_PLUGIN_EXPORT csSDK_int32 xImportEntry(csSDK_int32 selector, imStdParms* stdParms, void* param1, void* param2)
{
    return xImportEntryInternal(selector, stdParms, param1, param2);
}
