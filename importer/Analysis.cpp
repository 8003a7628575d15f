// The text the host shows for an imported file's properties: the video stream, then every audio
// stream of the file, each described by a fresh look at its format.
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "host/Logger.h"
#include "importer/AudioInfo.h"
#include "importer/VideoInfo.h"

int QuorvaneImporter::imSDKAnalysis(imAnalysisRec* rec)
{
    logFileLines();
    Logger::Log("buffersize: %d", int(rec->buffersize));
    if (!m_videoInfo)
        throw std::logic_error("m_videoInfo is NULL");

    std::string text = "Video stream:\n";
    text += m_videoInfo->analysis();
    text += "\n";
    for (size_t i : m_aviReader.getStreamIndices(avi::fcc::auds)) {
        const avi::Stream* stream = m_aviReader.streams[i].get();
        AudioInfo audio(this);
        audio.init(stream);
        // The stream's number in the file, counted over every stream.
        text += "Audio stream " + std::to_string(stream->index) + ":\n";
        text += audio.analysis();
        text += "\n";
    }

    // Cut to the host's buffer, always terminated; no buffer, no text.
    if (rec->buffer == nullptr || rec->buffersize <= 0)
        return imNoErr;
    const std::size_t n = std::min<std::size_t>(text.size(), std::size_t(rec->buffersize) - 1);
    std::memcpy(rec->buffer, text.data(), n);
    rec->buffer[n] = '\0';
    return imNoErr;
}
