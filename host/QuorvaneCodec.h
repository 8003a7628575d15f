// The host side's hold on the codec: one library reference and one codec instance per object.
// Every call is checked, and a non-zero result becomes a QuorvaneError whose text names the code
// and the call with its arguments.
#pragma once

#include <stdexcept>
#include <string>

#include "codec/quorvane.h"
#include "host/CodecText.h"

class QuorvaneError : public std::runtime_error {
public:
    QuorvaneError(const std::string& context, int code);
    int code() const { return m_code; }

private:
    int m_code; // exactly as the codec returned it
};

class QuorvaneCodec {
public:
    // Takes a library reference and opens an instance; throws QuorvaneError when either fails
    // (and then holds nothing).
    QuorvaneCodec();
    // Closes the instance and drops the reference; never throws.
    ~QuorvaneCodec();

    QuorvaneCodec(const QuorvaneCodec&) = delete;
    QuorvaneCodec& operator=(const QuorvaneCodec&) = delete;

    // Throws unless frames of type in can be compressed into out (completed on success).
    void compressQuery(const QuorvaneFrameType& in, QuorvaneFrameType* out, unsigned* maxCompressedSize);
    // Starts compressing; the format header belongs to the instance until the next begin.
    QuorvaneData compressBegin(const QuorvaneFrameType& in, QuorvaneFrameType* out, unsigned* maxCompressedSize);
    unsigned compress(const QuorvaneFrameData& frame, void* dst); // compressed size
    void compressEnd();

    // The stream's compressed type (real-type word = compressed type code); requested, when not
    // null, is checked and completed.
    QuorvaneFrameTypeEx decompressQuery(const QuorvaneData& format, QuorvaneFrameType* requested);
    QuorvaneFrameTypeEx decompressBegin(const QuorvaneData& format, QuorvaneFrameType* requested);
    void decompress(const QuorvaneData& frame, QuorvaneFrameData& planes);
    void decompressEnd();

    // One parameter read: in goes to the codec, its answer comes back. context() gives the text
    // of in for the error message.
    template <typename T, typename Context>
    T getParam(unsigned param, T in, const Context& context)
    {
        T value = in;
        const int result = quorvane_get_param(m_handle, int(param), &value, sizeof(T));
        checkResult(result, [&] { return "getParam(" + codectext::paramId(int(param)) + ", " + context() + ")"; });
        return value;
    }

    unsigned supportsFlip(unsigned frameType);        // non-zero: rows can be stored bottom-up
    unsigned supports16uMax32768(unsigned frameType); // non-zero: the host's 0..32768 range works

    // Returns at once for 0; otherwise throws QuorvaneError with context()'s text.
    template <typename Context>
    static void checkResult(int result, const Context& context)
    {
        if (result != QUORVANE_OK)
            throw QuorvaneError(context(), result);
    }

    unsigned handle() const { return m_handle; }

private:
    unsigned m_handle = 0;
};
