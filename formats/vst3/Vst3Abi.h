#pragma once

// Our own declaration of the VST3 binary interface, for the parts a stereo effect with
// parameters, programs, MIDI-mapped controllers, state and an embedded panel uses, and
// the host side of them that zkhost and the tests implement. Names are the interface's
// own. Interfaces are COM-style: a pointer to an object whose first field points to a
// table of functions, queryInterface / addRef / release first, single inheritance, no
// destructor; each has a 16-byte id. Layouts are checked at the end for 64-bit, 32-bit
// Windows and 32-bit Linux.
//
// How a host uses it:
//  1. It loads the module (the shared object inside the .vst3 bundle), calls ModuleEntry
//     (Linux) or InitDll (Windows), then GetPluginFactory; it reads the factory's classes.
//  2. It creates the processor class (IComponent), initialises it with its host context,
//     and its edit controller: the same object if that answers IEditController, else the
//     class named by getControllerClassId, initialised too. It gives the controller its
//     IComponentHandler and connects the two objects' IConnectionPoints both ways.
//  3. It copies the processor's state to the controller (getState, setComponentState),
//     then reads parameters, units and programs and the MIDI mapping from the controller.
//  4. Audio: setBusArrangements, setupProcessing, setActive(true), setProcessing(true),
//     process() block after block on the audio thread with the block's parameter changes
//     (and the plug-in's output changes back), then setProcessing(false), setActive(false).
//  5. State: getState / setState on the processor, then setComponentState on the controller.
//  6. Panel: createView("editor"), setFrame, getSize, attached(native window), removed.
//     On Linux the view gets its timers and file-descriptor callbacks through the frame's
//     IRunLoop; there is no idle call.
//  7. Teardown: disconnect, terminate both, release them, release the factory, ModuleExit
//     or ExitDll, unload.
// Threads: everything but process and setProcessing on the host's UI thread; the plug-in
// calls the host's interfaces (handler, frame, run loop) on the UI thread only.

// Only the C headers, so that the layouts below can be checked by compiling this header
// alone for a target whose C++ library is not installed.
#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZK_VST3_CALL __stdcall
#else
#define ZK_VST3_CALL
#endif

namespace vst3 {

// ---- basic types

using int8 = char;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;
using TBool = uint8_t;
using char8 = char;
using char16 = char16_t;
using TChar = char16_t;
using tresult = int32_t;
using TSize = int64_t;
using FIDString = const char8*;
using CString = const char8*; // in the Vst interfaces: 8-bit text
using String128 = TChar[128];
using TUID = char[16];

using ParamID = uint32_t;
using ParamValue = double;
using SampleRate = double;
using SpeakerArrangement = uint64_t;
using MediaType = int32_t;
using BusDirection = int32_t;
using BusType = int32_t;
using IoMode = int32_t;
using UnitID = int32_t;
using ProgramListID = int32_t;
using CtrlNumber = int16_t;
using KnobMode = int32_t;
using TQuarterNotes = double;
using TSamples = int64_t;
using TimerInterval = uint64_t; // milliseconds
using FileDescriptor = int;

// ---- results: COM's values on Windows, small numbers elsewhere

inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
#if defined(_WIN32)
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
#endif

// ---- identifiers

// An interface or class id as it lies in memory. Ids are written as four 32-bit numbers; on
// Windows the bytes are those of a COM GUID (first number and the two halves of the second
// little-endian), elsewhere all four numbers are stored most significant byte first. The
// text form, 32 hex digits of the four numbers, is the same everywhere.
struct Uid {
    uint8_t bytes[16];
    constexpr uint8_t operator[](size_t i) const { return bytes[i]; }
    static constexpr size_t size() { return 16; }
    // As the interface passes ids: a TUID or an FIDString pointing at the 16 bytes.
    const char* data() const { return reinterpret_cast<const char*>(bytes); }
};

constexpr uint8_t byteOf(uint32_t v, int shift) { return static_cast<uint8_t>((v >> shift) & 0xFFu); }

constexpr Uid makeUid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
#if defined(_WIN32)
    return {{byteOf(l1, 0),  byteOf(l1, 8),  byteOf(l1, 16), byteOf(l1, 24), byteOf(l2, 16), byteOf(l2, 24),
             byteOf(l2, 0),  byteOf(l2, 8),  byteOf(l3, 24), byteOf(l3, 16), byteOf(l3, 8),  byteOf(l3, 0),
             byteOf(l4, 24), byteOf(l4, 16), byteOf(l4, 8),  byteOf(l4, 0)}};
#else
    return {{byteOf(l1, 24), byteOf(l1, 16), byteOf(l1, 8),  byteOf(l1, 0),  byteOf(l2, 24), byteOf(l2, 16),
             byteOf(l2, 8),  byteOf(l2, 0),  byteOf(l3, 24), byteOf(l3, 16), byteOf(l3, 8),  byteOf(l3, 0),
             byteOf(l4, 24), byteOf(l4, 16), byteOf(l4, 8),  byteOf(l4, 0)}};
#endif
}

// An id given as its 16 bytes in reading order (the four numbers most significant byte
// first, as any array of 16 bytes), laid out for this platform.
template <typename Bytes> constexpr Uid uidFromReadingOrder(const Bytes& b) {
    auto number = [&b](size_t at) {
        return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | uint32_t(b[at + 3]);
    };
    return makeUid(number(0), number(4), number(8), number(12));
}

// Whether 16 bytes from the host are this id.
inline bool sameUid(const void* bytes, const Uid& uid) {
    if (!bytes) return false;
    const auto* b = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < uid.size(); ++i)
        if (b[i] != uid[i]) return false;
    return true;
}

// ---- FUnknown and the plug-in base

struct FUnknown {
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
    virtual tresult ZK_VST3_CALL queryInterface(const TUID iid, void** obj) = 0;
    virtual uint32 ZK_VST3_CALL addRef() = 0;
    virtual uint32 ZK_VST3_CALL release() = 0;
};

struct IPluginBase : FUnknown {
    static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
    virtual tresult ZK_VST3_CALL initialize(FUnknown* context) = 0;
    virtual tresult ZK_VST3_CALL terminate() = 0;
};

// ---- the factory

struct PFactoryInfo {
    enum FactoryFlags : int32 { kNoFlags = 0, kClassesDiscardable = 1, kComponentNonDiscardable = 8, kUnicode = 16 };
    char8 vendor[64];
    char8 url[256];
    char8 email[128];
    int32 flags;
};

inline constexpr int32 kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char8 vendor[64];
    char8 version[64];
    char8 sdkVersion[64];
};

struct PClassInfoW {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char16 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

// PClassInfo2::classFlags
inline constexpr uint32 kDistributable = 1;
inline constexpr uint32 kSimpleModeSupported = 2;

struct IPluginFactory : FUnknown {
    static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
    virtual tresult ZK_VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 ZK_VST3_CALL countClasses() = 0;
    virtual tresult ZK_VST3_CALL getClassInfo(int32 index, PClassInfo* info) = 0;
    // cid and iid point to 16-byte ids, not to text.
    virtual tresult ZK_VST3_CALL createInstance(FIDString cid, FIDString iid, void** obj) = 0;
};

struct IPluginFactory2 : IPluginFactory {
    static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
    virtual tresult ZK_VST3_CALL getClassInfo2(int32 index, PClassInfo2* info) = 0;
};

struct IPluginFactory3 : IPluginFactory2 {
    static constexpr Uid iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
    virtual tresult ZK_VST3_CALL getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult ZK_VST3_CALL setHostContext(FUnknown* context) = 0;
};

// ---- streams

struct IBStream : FUnknown {
    static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
    enum IStreamSeekMode : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };
    // The count pointers may be null; a stream may move fewer bytes than asked.
    virtual tresult ZK_VST3_CALL read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult ZK_VST3_CALL write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
    virtual tresult ZK_VST3_CALL seek(int64 pos, int32 mode, int64* result) = 0;
    virtual tresult ZK_VST3_CALL tell(int64* pos) = 0;
};

// ---- messages between the processor and its controller

struct IAttributeList : FUnknown {
    static constexpr Uid iid = makeUid(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
    using AttrID = const char*;
    virtual tresult ZK_VST3_CALL setInt(AttrID id, int64 value) = 0;
    virtual tresult ZK_VST3_CALL getInt(AttrID id, int64& value) = 0;
    virtual tresult ZK_VST3_CALL setFloat(AttrID id, double value) = 0;
    virtual tresult ZK_VST3_CALL getFloat(AttrID id, double& value) = 0;
    virtual tresult ZK_VST3_CALL setString(AttrID id, const TChar* string) = 0;
    virtual tresult ZK_VST3_CALL getString(AttrID id, TChar* string, uint32 sizeInBytes) = 0;
    virtual tresult ZK_VST3_CALL setBinary(AttrID id, const void* data, uint32 sizeInBytes) = 0;
    virtual tresult ZK_VST3_CALL getBinary(AttrID id, const void*& data, uint32& sizeInBytes) = 0;
};

struct IMessage : FUnknown {
    static constexpr Uid iid = makeUid(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
    virtual FIDString ZK_VST3_CALL getMessageID() = 0;
    virtual void ZK_VST3_CALL setMessageID(FIDString id) = 0;
    virtual IAttributeList* ZK_VST3_CALL getAttributes() = 0;
};

struct IConnectionPoint : FUnknown {
    static constexpr Uid iid = makeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
    virtual tresult ZK_VST3_CALL connect(IConnectionPoint* other) = 0;
    virtual tresult ZK_VST3_CALL disconnect(IConnectionPoint* other) = 0;
    virtual tresult ZK_VST3_CALL notify(IMessage* message) = 0;
};

// The context the host passes to initialize; createInstance makes host objects such as an
// IMessage (its id given as both class and interface id).
struct IHostApplication : FUnknown {
    static constexpr Uid iid = makeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
    virtual tresult ZK_VST3_CALL getName(String128 name) = 0;
    virtual tresult ZK_VST3_CALL createInstance(TUID cid, TUID iid, void** obj) = 0;
};

// ---- buses and processing

enum MediaTypes : int32 { kAudio = 0, kEvent = 1 };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
inline constexpr uint32 kNoTail = 0;
inline constexpr uint32 kInfiniteTail = 0xFFFFFFFFu;

namespace SpeakerArr {
inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kMono = 0x80000;
inline constexpr SpeakerArrangement kStereo = 0x3;
} // namespace SpeakerArr

struct BusInfo {
    enum BusFlags : uint32 { kDefaultActive = 1, kIsControlVoltage = 2 };
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount; // audio: channels of the arrangement; events: MIDI channels
    String128 name;
    BusType busType;
    uint32 flags;
};

struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel;
};

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    SampleRate sampleRate;
};

struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags;
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

struct Chord {
    uint8 keyNote;
    uint8 rootNote;
    int16 chordMask;
};

struct FrameRate {
    uint32 framesPerSecond;
    uint32 flags;
};

struct ProcessContext {
    enum StatesAndFlags : uint32 {
        kPlaying = 1 << 1,
        kCycleActive = 1 << 2,
        kRecording = 1 << 3,
        kSystemTimeValid = 1 << 8,
        kProjectTimeMusicValid = 1 << 9,
        kTempoValid = 1 << 10,
        kBarPositionValid = 1 << 11,
        kCycleValid = 1 << 12,
        kTimeSigValid = 1 << 13,
        kSmpteValid = 1 << 14,
        kClockValid = 1 << 15,
        kContTimeValid = 1 << 17,
        kChordValid = 1 << 18,
    };
    uint32 state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64 systemTime;
    TSamples continousTimeSamples;
    TQuarterNotes projectTimeMusic;
    TQuarterNotes barPositionMusic;
    TQuarterNotes cycleStartMusic;
    TQuarterNotes cycleEndMusic;
    double tempo;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    Chord chord;
    int32 smpteOffsetSubframes;
    FrameRate frameRate;
    int32 samplesToNextClock;
};

struct IParamValueQueue : FUnknown {
    static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
    virtual ParamID ZK_VST3_CALL getParameterId() = 0;
    virtual int32 ZK_VST3_CALL getPointCount() = 0;
    virtual tresult ZK_VST3_CALL getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
    virtual tresult ZK_VST3_CALL addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;
};

struct IParameterChanges : FUnknown {
    static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
    virtual int32 ZK_VST3_CALL getParameterCount() = 0;
    virtual IParamValueQueue* ZK_VST3_CALL getParameterData(int32 index) = 0;
    virtual IParamValueQueue* ZK_VST3_CALL addParameterData(const ParamID& id, int32& index) = 0;
};

// Event payloads. On 32-bit Windows the two note-expression events are packed to 4 bytes,
// which moves the union of Event to offset 20 there.
struct NoteOnEvent {
    int16 channel;
    int16 pitch;
    float tuning;
    float velocity;
    int32 length;
    int32 noteId;
};

struct NoteOffEvent {
    int16 channel;
    int16 pitch;
    float velocity;
    int32 noteId;
    float tuning;
};

struct DataEvent {
    uint32 size;
    uint32 type; // 0: system exclusive
    const uint8* bytes;
};

struct PolyPressureEvent {
    int16 channel;
    int16 pitch;
    float pressure;
    int32 noteId;
};

#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(push, 4)
#endif
struct NoteExpressionValueEvent {
    uint32 typeId;
    int32 noteId;
    double value;
};

struct NoteExpressionTextEvent {
    uint32 typeId;
    int32 noteId;
    uint32 textLen;
    const TChar* text;
};
#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(pop)
#endif

struct ChordEvent {
    int16 root;
    int16 bassNote;
    int16 mask;
    uint16 textLen;
    const TChar* text;
};

struct ScaleEvent {
    int16 root;
    int16 mask;
    uint16 textLen;
    const TChar* text;
};

struct LegacyMIDICCOutEvent {
    uint8 controlNumber;
    int8 channel;
    int8 value;
    int8 value2;
};

struct Event {
    enum EventTypes : uint16 {
        kNoteOnEvent = 0,
        kNoteOffEvent = 1,
        kDataEvent = 2,
        kPolyPressureEvent = 3,
        kNoteExpressionValueEvent = 4,
        kNoteExpressionTextEvent = 5,
        kChordEvent = 6,
        kScaleEvent = 7,
        kLegacyMIDICCOutEvent = 65535,
    };
    enum EventFlags : uint16 { kIsLive = 1 };
    int32 busIndex;
    int32 sampleOffset;
    TQuarterNotes ppqPosition;
    uint16 flags;
    uint16 type;
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        DataEvent data;
        PolyPressureEvent polyPressure;
        NoteExpressionValueEvent noteExpressionValue;
        NoteExpressionTextEvent noteExpressionText;
        ChordEvent chord;
        ScaleEvent scale;
        LegacyMIDICCOutEvent midiCCOut;
    };
};

struct IEventList : FUnknown {
    static constexpr Uid iid = makeUid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
    virtual int32 ZK_VST3_CALL getEventCount() = 0;
    virtual tresult ZK_VST3_CALL getEvent(int32 index, Event& e) = 0;
    virtual tresult ZK_VST3_CALL addEvent(Event& e) = 0;
};

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples; // 0: a call that only brings parameter changes
    int32 numInputs;  // audio buses, not channels
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges; // may be null, as may the three below
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

struct IComponent : IPluginBase {
    static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
    virtual tresult ZK_VST3_CALL getControllerClassId(TUID classId) = 0;
    virtual tresult ZK_VST3_CALL setIoMode(IoMode mode) = 0;
    virtual int32 ZK_VST3_CALL getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult ZK_VST3_CALL getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;
    virtual tresult ZK_VST3_CALL getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult ZK_VST3_CALL activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;
    virtual tresult ZK_VST3_CALL setActive(TBool state) = 0;
    virtual tresult ZK_VST3_CALL setState(IBStream* state) = 0;
    virtual tresult ZK_VST3_CALL getState(IBStream* state) = 0;
};

struct IAudioProcessor : FUnknown {
    static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
    virtual tresult ZK_VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                    SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult ZK_VST3_CALL getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) = 0;
    virtual tresult ZK_VST3_CALL canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 ZK_VST3_CALL getLatencySamples() = 0;
    virtual tresult ZK_VST3_CALL setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult ZK_VST3_CALL setProcessing(TBool state) = 0;
    virtual tresult ZK_VST3_CALL process(ProcessData& data) = 0;
    virtual uint32 ZK_VST3_CALL getTailSamples() = 0;
};

struct IProcessContextRequirements : FUnknown {
    static constexpr Uid iid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
    virtual uint32 ZK_VST3_CALL getProcessContextRequirements() = 0;
};

// ---- the panel

struct ViewRect {
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};

inline constexpr const char* kPlatformTypeHWND = "HWND";
inline constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
inline constexpr const char* kEditorViewType = "editor";

struct IPlugFrame;

struct IPlugView : FUnknown {
    static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
    virtual tresult ZK_VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult ZK_VST3_CALL attached(void* parent, FIDString type) = 0;
    virtual tresult ZK_VST3_CALL removed() = 0;
    virtual tresult ZK_VST3_CALL onWheel(float distance) = 0;
    virtual tresult ZK_VST3_CALL onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult ZK_VST3_CALL onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult ZK_VST3_CALL getSize(ViewRect* size) = 0;
    virtual tresult ZK_VST3_CALL onSize(ViewRect* newSize) = 0;
    virtual tresult ZK_VST3_CALL onFocus(TBool state) = 0;
    virtual tresult ZK_VST3_CALL setFrame(IPlugFrame* frame) = 0;
    virtual tresult ZK_VST3_CALL canResize() = 0;
    virtual tresult ZK_VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;
};

struct IPlugFrame : FUnknown {
    static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
    virtual tresult ZK_VST3_CALL resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

// The same object as the view: the host's scale for it (the monitor's, or the host's zoom).
struct IPlugViewContentScaleSupport : FUnknown {
    static constexpr Uid iid = makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
    using ScaleFactor = float;
    virtual tresult ZK_VST3_CALL setContentScaleFactor(ScaleFactor factor) = 0;
};

// Linux: the host's UI run loop, found on the frame (or the factory's host context).
namespace Linux {

struct IEventHandler : FUnknown {
    static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
    virtual void ZK_VST3_CALL onFDIsSet(FileDescriptor fd) = 0;
};

struct ITimerHandler : FUnknown {
    static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
    virtual void ZK_VST3_CALL onTimer() = 0;
};

struct IRunLoop : FUnknown {
    static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
    virtual tresult ZK_VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult ZK_VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult ZK_VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
    virtual tresult ZK_VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;
};

} // namespace Linux

// Key codes and modifiers for onKeyDown / onKeyUp.
inline constexpr int16 KEY_LEFT = 11, KEY_UP = 12, KEY_RIGHT = 13, KEY_DOWN = 14;
inline constexpr int16 VKEY_FIRST_ASCII = 128;
inline constexpr int16 kShiftKey = 1, kAlternateKey = 2, kCommandKey = 4, kControlKey = 8;

// ---- the edit controller

struct ParameterInfo {
    enum ParameterFlags : int32 {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount; // 0: continuous; n: n + 1 values, value k at k / n
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32 flags;
};

inline constexpr ParamID kNoParamId = 0xFFFFFFFFu;

enum RestartFlags : int32 {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
    kMidiCCAssignmentChanged = 1 << 5,
    kNoteExpressionChanged = 1 << 6,
    kIoTitlesChanged = 1 << 7,
    kPrefetchableSupportChanged = 1 << 8,
    kRoutingInfoChanged = 1 << 9,
    kKeyswitchChanged = 1 << 10,
    kParamIDMappingChanged = 1 << 11,
};

struct IComponentHandler : FUnknown {
    static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
    virtual tresult ZK_VST3_CALL beginEdit(ParamID id) = 0;
    virtual tresult ZK_VST3_CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult ZK_VST3_CALL endEdit(ParamID id) = 0;
    virtual tresult ZK_VST3_CALL restartComponent(int32 flags) = 0;
};

struct IComponentHandler2 : FUnknown {
    static constexpr Uid iid = makeUid(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);
    virtual tresult ZK_VST3_CALL setDirty(TBool state) = 0;
    virtual tresult ZK_VST3_CALL requestOpenEditor(FIDString name) = 0;
    virtual tresult ZK_VST3_CALL startGroupEdit() = 0;
    virtual tresult ZK_VST3_CALL finishGroupEdit() = 0;
};

struct IEditController : IPluginBase {
    static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
    virtual tresult ZK_VST3_CALL setComponentState(IBStream* state) = 0;
    virtual tresult ZK_VST3_CALL setState(IBStream* state) = 0;
    virtual tresult ZK_VST3_CALL getState(IBStream* state) = 0;
    virtual int32 ZK_VST3_CALL getParameterCount() = 0;
    virtual tresult ZK_VST3_CALL getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
    virtual tresult ZK_VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) = 0;
    virtual tresult ZK_VST3_CALL getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
    virtual ParamValue ZK_VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue ZK_VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue ZK_VST3_CALL getParamNormalized(ParamID id) = 0;
    virtual tresult ZK_VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult ZK_VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* ZK_VST3_CALL createView(FIDString name) = 0;
};

struct IEditController2 : FUnknown {
    static constexpr Uid iid = makeUid(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);
    virtual tresult ZK_VST3_CALL setKnobMode(KnobMode mode) = 0;
    virtual tresult ZK_VST3_CALL openHelp(TBool onlyCheck) = 0;
    virtual tresult ZK_VST3_CALL openAboutBox(TBool onlyCheck) = 0;
};

// MIDI controller numbers as IMidiMapping takes them: 0..127 Control Change, then these.
inline constexpr CtrlNumber kAfterTouch = 128;
inline constexpr CtrlNumber kPitchBend = 129;
inline constexpr CtrlNumber kCtrlProgramChange = 130;

struct IMidiMapping : FUnknown {
    static constexpr Uid iid = makeUid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
    virtual tresult ZK_VST3_CALL getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                             CtrlNumber midiControllerNumber, ParamID& id) = 0;
};

// ---- units and programs

inline constexpr UnitID kRootUnitId = 0;
inline constexpr UnitID kNoParentUnitId = -1;
inline constexpr ProgramListID kNoProgramListId = -1;
inline constexpr int32 kAllProgramInvalid = -1;

struct UnitInfo {
    UnitID id;
    UnitID parentUnitId;
    String128 name;
    ProgramListID programListId;
};

struct ProgramListInfo {
    ProgramListID id;
    String128 name;
    int32 programCount;
};

struct IUnitInfo : FUnknown {
    static constexpr Uid iid = makeUid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
    virtual int32 ZK_VST3_CALL getUnitCount() = 0;
    virtual tresult ZK_VST3_CALL getUnitInfo(int32 unitIndex, UnitInfo& info) = 0;
    virtual int32 ZK_VST3_CALL getProgramListCount() = 0;
    virtual tresult ZK_VST3_CALL getProgramListInfo(int32 listIndex, ProgramListInfo& info) = 0;
    virtual tresult ZK_VST3_CALL getProgramName(ProgramListID listId, int32 programIndex, String128 name) = 0;
    virtual tresult ZK_VST3_CALL getProgramInfo(ProgramListID listId, int32 programIndex, CString attributeId,
                                                String128 attributeValue) = 0;
    virtual tresult ZK_VST3_CALL hasProgramPitchNames(ProgramListID listId, int32 programIndex) = 0;
    virtual tresult ZK_VST3_CALL getProgramPitchName(ProgramListID listId, int32 programIndex, int16 midiPitch,
                                                     String128 name) = 0;
    virtual UnitID ZK_VST3_CALL getSelectedUnit() = 0;
    virtual tresult ZK_VST3_CALL selectUnit(UnitID unitId) = 0;
    virtual tresult ZK_VST3_CALL getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                              UnitID& unitId) = 0;
    virtual tresult ZK_VST3_CALL setUnitProgramData(int32 listOrUnitId, int32 programIndex, IBStream* data) = 0;
};

struct IUnitHandler : FUnknown {
    static constexpr Uid iid = makeUid(0x4B5147F8, 0x4654486B, 0x8DAB30BA, 0x163A3C56);
    virtual tresult ZK_VST3_CALL notifyUnitSelection(UnitID unitId) = 0;
    virtual tresult ZK_VST3_CALL notifyProgramListChange(ProgramListID listId, int32 programIndex) = 0;
};

// ---- strings the classes and views are known by

inline constexpr const char* kVstAudioEffectClass = "Audio Module Class";
inline constexpr const char* kVstComponentControllerClass = "Component Controller Class";
inline constexpr const char* kFx = "Fx";
inline constexpr const char* kVstVersionString = "VST 3.7.14";

// ---- the module's entry points (exported unmangled)

#if defined(_WIN32)
using InitModuleProc = bool (*)();         // InitDll
using ExitModuleProc = bool (*)();         // ExitDll
#else
using ModuleEntryProc = bool (*)(void*);   // ModuleEntry(the dlopen handle)
using ModuleExitProc = bool (*)();         // ModuleExit
#endif
using GetFactoryProc = IPluginFactory*(ZK_VST3_CALL*)();

// ---- layouts

static_assert(sizeof(TBool) == 1 && sizeof(char16) == 2 && sizeof(String128) == 256 && sizeof(bool) == 1);
static_assert(sizeof(PFactoryInfo) == 452 && offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116 && offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440 && offsetof(PClassInfo2, classFlags) == 116);
static_assert(offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696 && offsetof(PClassInfoW, classFlags) == 180);
static_assert(offsetof(PClassInfoW, vendor) == 312 && offsetof(PClassInfoW, sdkVersion) == 568);
static_assert(sizeof(ViewRect) == 16 && sizeof(Chord) == 4 && sizeof(FrameRate) == 8);
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, name) == 12 && offsetof(BusInfo, flags) == 272);
static_assert(sizeof(RoutingInfo) == 12);
static_assert(offsetof(ParameterInfo, shortTitle) == 260 && offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, flags) == 788);
static_assert(sizeof(ParameterInfo) == 792);
static_assert(sizeof(UnitInfo) == 268 && offsetof(UnitInfo, programListId) == 264);
static_assert(sizeof(ProgramListInfo) == 264 && offsetof(ProgramListInfo, programCount) == 260);
static_assert(sizeof(NoteOnEvent) == 20 && sizeof(NoteOffEvent) == 16 && sizeof(PolyPressureEvent) == 12);
static_assert(sizeof(LegacyMIDICCOutEvent) == 4 && offsetof(Event, flags) == 16 && offsetof(Event, type) == 18);

#if defined(_WIN64) || (!defined(_WIN32) && UINTPTR_MAX > 0xFFFFFFFFu)
// 64-bit: Linux and Windows alike.
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(ProcessData) == 80 && offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, inputParameterChanges) == 40 && offsetof(ProcessData, processContext) == 72);
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104 && offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(sizeof(Event) == 48 && offsetof(Event, noteOn) == 24 && sizeof(DataEvent) == 16);
static_assert(sizeof(NoteExpressionValueEvent) == 16 && sizeof(NoteExpressionTextEvent) == 24);
static_assert(offsetof(NoteExpressionTextEvent, text) == 16 && sizeof(ChordEvent) == 16 && sizeof(ScaleEvent) == 16);
#elif defined(_WIN32)
// 32-bit Windows: doubles and 64-bit integers 8-aligned inside structs.
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(ProcessData) == 48 && offsetof(ProcessData, inputs) == 20);
static_assert(offsetof(ProcessData, inputParameterChanges) == 28 && offsetof(ProcessData, processContext) == 44);
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104 && offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(alignof(ParameterInfo) == 8);
static_assert(sizeof(Event) == 40 && offsetof(Event, noteOn) == 20 && sizeof(DataEvent) == 12);
static_assert(sizeof(NoteExpressionValueEvent) == 16 && alignof(NoteExpressionValueEvent) == 4);
static_assert(sizeof(NoteExpressionTextEvent) == 16 && offsetof(NoteExpressionTextEvent, text) == 12);
#else
// 32-bit Linux: doubles and 64-bit integers only 4-aligned inside structs.
static_assert(sizeof(ProcessSetup) == 20 && offsetof(ProcessSetup, sampleRate) == 12);
static_assert(sizeof(AudioBusBuffers) == 16 && offsetof(AudioBusBuffers, channelBuffers32) == 12);
static_assert(sizeof(ProcessData) == 48 && offsetof(ProcessData, inputs) == 20);
static_assert(offsetof(ProcessData, inputParameterChanges) == 28 && offsetof(ProcessData, processContext) == 44);
static_assert(sizeof(ProcessContext) == 104 && offsetof(ProcessContext, chord) == 84);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 100 && offsetof(AudioBusBuffers, silenceFlags) == 4);
static_assert(alignof(ParameterInfo) == 4);
static_assert(sizeof(Event) == 40 && offsetof(Event, noteOn) == 20 && sizeof(DataEvent) == 12);
static_assert(sizeof(NoteExpressionValueEvent) == 16 && sizeof(NoteExpressionTextEvent) == 16);
#endif

} // namespace vst3
