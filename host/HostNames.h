// The host's own identifiers of its enumeration values, for log lines and error texts. Every
// function returns a static text and falls back to a fixed text for values it does not list.
#pragma once

const char* GetImporterSelectorName(int selector);          // "????" when unknown
const char* GetImporterReturnValueName(int result);         // "????"
const char* GetAsyncImporterSelectorName(int selector);     // "????"
const char* GetAsyncImporterReturnValueName(int result);    // "????"
const char* GetExportSelectorName(int selector);            // "????"
const char* GetExportReturnValueName(int result);           // "????"
const char* GetPixelFormatName(int pixelFormat);            // "????"
const char* GetAudioChannelLabelName(int label);            // "Unknown_Channel_Label"
const char* GetAudioSampleTypeName(unsigned sampleType);    // "Unknown_Sample_Type"
