#include "thumbnails/renderers/video_frame.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <propidl.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "thumbnails/image_bitmap.h"
#include "thumbnails/renderers/safe_release.h"

namespace {

BYTE Clamp(int value) {
    return static_cast<BYTE>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// ITU-R BT.601, video range, in integers.
void ConvertPixel(int y, int u, int v, BYTE* pixel) {
    int c = y - 16;
    int d = u - 128;
    int e = v - 128;
    pixel[0] = Clamp((298 * c + 516 * d + 128) >> 8);
    pixel[1] = Clamp((298 * c - 100 * d - 208 * e + 128) >> 8);
    pixel[2] = Clamp((298 * c + 409 * e + 128) >> 8);
    pixel[3] = 255;
}

// Buffers without the 2-D interface carry no pitch. Windows gives them the
// frame width; Wine's decoders pad rows to four bytes, which shows in a luma
// plane (two thirds of the sample) that is a whole number of wider rows.
size_t ContiguousPitch(IMFMediaType* type, DWORD totalLength, uint32_t width, uint32_t height) {
    UINT32 stride = 0;
    if (SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) && static_cast<INT32>(stride) >= static_cast<INT32>(width)) {
        return stride;
    }
    uint64_t luma = static_cast<uint64_t>(totalLength) * 2 / 3;
    if (height > 0 && luma % height == 0 && luma / height >= width) return static_cast<size_t>(luma / height);
    return width;
}

}  // namespace

int64_t VideoFramePosition(int64_t duration, int seconds) {
    int64_t position = static_cast<int64_t>(seconds) * 10000000;
    if (duration < position) position = duration / 2;
    return position > 0 ? position : 0;
}

void ConvertNv12ToBgra(const BYTE* buffer, size_t bufferLength, size_t chromaOffset, size_t pitch, uint32_t width,
                       uint32_t height, BYTE* bits) {
    for (uint32_t i = 0; i < height; ++i) {
        uint64_t lumaRow = static_cast<uint64_t>(i) * pitch;
        uint64_t chromaRow = chromaOffset + static_cast<uint64_t>(i / 2) * pitch;
        // Every pair's U and V, and the U of a lone last pixel, must lie
        // inside the buffer.
        if (lumaRow + width > bufferLength || chromaRow + width > bufferLength) break;
        const BYTE* luma = buffer + lumaRow;
        const BYTE* chroma = buffer + chromaRow;
        BYTE* out = bits + static_cast<size_t>(height - 1 - i) * width * 4;
        uint32_t j = 0;
        for (; j + 1 < width; j += 2) {
            int u = chroma[j];
            int v = chroma[j + 1];
            ConvertPixel(luma[j], u, v, out + j * 4);
            ConvertPixel(luma[j + 1], u, v, out + (j + 1) * 4);
        }
        // An odd width leaves one pixel, converted alone; its V may stand
        // past the end of a buffer cut to the frame.
        if (j < width) {
            int v = chromaRow + width + 1 <= bufferLength ? chroma[j + 1] : 128;
            ConvertPixel(luma[j], chroma[j], v, out + j * 4);
        }
    }
}

HBITMAP GrabFrameWithReader(const wchar_t* path, int seconds) {
    IMFSourceReader* reader = nullptr;
    IMFMediaType* wanted = nullptr;
    IMFMediaType* current = nullptr;
    IMFSample* sample = nullptr;
    IMFMediaBuffer* buffer = nullptr;
    IMF2DBuffer* buffer2d = nullptr;
    HBITMAP result = nullptr;

    HRESULT hr = MFCreateSourceReaderFromURL(path, nullptr, &reader);
    if (SUCCEEDED(hr)) hr = reader->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE);
    if (SUCCEEDED(hr)) hr = reader->SetStreamSelection(MF_SOURCE_READER_FIRST_VIDEO_STREAM, TRUE);
    if (SUCCEEDED(hr)) hr = MFCreateMediaType(&wanted);
    if (SUCCEEDED(hr)) hr = wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    if (SUCCEEDED(hr)) hr = wanted->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12);
    if (SUCCEEDED(hr)) hr = reader->SetCurrentMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, nullptr, wanted);

    int64_t position = 0;
    if (SUCCEEDED(hr)) {
        PROPVARIANT duration;
        PropVariantInit(&duration);
        hr = reader->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION, &duration);
        if (SUCCEEDED(hr)) {
            position = VideoFramePosition(static_cast<int64_t>(duration.uhVal.QuadPart), seconds);
            if (duration.uhVal.QuadPart == 0 || position == 0) hr = E_FAIL;
        }
        PropVariantClear(&duration);
    }
    if (SUCCEEDED(hr)) {
        PROPVARIANT where;
        PropVariantInit(&where);
        where.vt = VT_I8;
        where.hVal.QuadPart = position;
        // The reader lands on a seek point of its own near the position; a
        // failed seek leaves it at the start.
        reader->SetCurrentPosition(GUID_NULL, where);
    }

    uint32_t width = 0;
    uint32_t height = 0;
    if (SUCCEEDED(hr)) hr = reader->GetCurrentMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, &current);
    if (SUCCEEDED(hr)) {
        UINT64 frameSize = 0;
        hr = current->GetUINT64(MF_MT_FRAME_SIZE, &frameSize);
        width = static_cast<uint32_t>(frameSize >> 32);
        height = static_cast<uint32_t>(frameSize);
        if (SUCCEEDED(hr) && (width == 0 || height == 0 || static_cast<uint64_t>(width) * height * 4 > INT_MAX)) hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        DWORD streamIndex = 0;
        DWORD streamFlags = 0;
        LONGLONG timestamp = 0;
        hr = reader->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, &streamIndex, &streamFlags, &timestamp, &sample);
        // The end of the stream or a gap succeeds without a sample.
        if (SUCCEEDED(hr) && !sample) hr = E_FAIL;
    }

    DWORD totalLength = 0;
    if (SUCCEEDED(hr)) hr = sample->GetTotalLength(&totalLength);
    if (SUCCEEDED(hr)) hr = sample->ConvertToContiguousBuffer(&buffer);

    BYTE* scan0 = nullptr;
    LONG pitch = 0;
    DWORD bufferLength = 0;
    bool locked2d = false;
    bool locked = false;
    if (SUCCEEDED(hr)) hr = buffer->GetCurrentLength(&bufferLength);
    if (SUCCEEDED(hr) && SUCCEEDED(buffer->QueryInterface(IID_IMF2DBuffer, reinterpret_cast<void**>(&buffer2d)))) {
        // Only the newer interface tells how far the locked rows reach;
        // without it the buffer's own length bounds the reads.
        IMF2DBuffer2* sized = nullptr;
        if (SUCCEEDED(buffer2d->QueryInterface(IID_IMF2DBuffer2, reinterpret_cast<void**>(&sized)))) {
            BYTE* start = nullptr;
            DWORD length = 0;
            hr = sized->Lock2DSize(MF2DBuffer_LockFlags_Read, &scan0, &pitch, &start, &length);
            if (SUCCEEDED(hr)) bufferLength = scan0 >= start && scan0 - start < length ? length - DWORD(scan0 - start) : 0;
            sized->Release();
        } else {
            hr = buffer2d->Lock2D(&scan0, &pitch);
        }
        locked2d = SUCCEEDED(hr);
    } else if (SUCCEEDED(hr)) {
        // Wine's buffers have no 2-D interface: the frame is read from the
        // contiguous buffer with the pitch that its length implies.
        DWORD maxLength = 0;
        hr = buffer->Lock(&scan0, &maxLength, &bufferLength);
        locked = SUCCEEDED(hr);
        if (locked) pitch = static_cast<LONG>(ContiguousPitch(current, totalLength, width, height));
    }
    // Bottom-up buffers are not expected from the reader's NV12 output.
    if (SUCCEEDED(hr) && (pitch <= 0 || !scan0)) hr = E_FAIL;

    if (SUCCEEDED(hr)) {
        void* bits = nullptr;
        result = CreateDib(DibHeader(static_cast<LONG>(width), static_cast<LONG>(height), 32), &bits);
        if (result) {
            // For NV12 the luma plane is two thirds of the whole sample; a
            // sample length that leaves out the row padding still puts the
            // chroma rows after all luma rows.
            uint64_t chromaOffset = std::max<uint64_t>(static_cast<uint64_t>(totalLength) * 2 / 3,
                                                       static_cast<uint64_t>(pitch) * height);
            ConvertNv12ToBgra(scan0, bufferLength, static_cast<size_t>(chromaOffset), static_cast<size_t>(pitch), width, height,
                              static_cast<BYTE*>(bits));
        }
    }

    if (locked2d) buffer2d->Unlock2D();
    if (locked) buffer->Unlock();
    SafeRelease(buffer2d);
    SafeRelease(buffer);
    SafeRelease(sample);
    SafeRelease(current);
    SafeRelease(wanted);
    SafeRelease(reader);
    return result;
}

namespace {

// One grab handed to a thread of its own, shared by the caller and that
// thread; whichever lets go last frees it, and a frame that came too late.
struct TFrameGrab {
    LONG references;
    std::wstring path;
    int seconds;
    TFrameGrabber grabber;
    HBITMAP frame;
    HANDLE done;
};

void ReleaseFrameGrab(TFrameGrab* grab) {
    if (InterlockedDecrement(&grab->references) != 0) return;
    if (grab->frame) DeleteObject(grab->frame);
    CloseHandle(grab->done);
    delete grab;
}

DWORD WINAPI FrameGrabProc(LPVOID param) {
    TFrameGrab* grab = static_cast<TFrameGrab*>(param);
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    grab->frame = grab->grabber(grab->path.c_str(), grab->seconds);
    if (SUCCEEDED(com)) CoUninitialize();
    SetEvent(grab->done);
    ReleaseFrameGrab(grab);
    return 0;
}

}  // namespace

bool StartsAsStillPicture(const BYTE* bytes, size_t count) {
    auto startsWith = [&](const char* magic, size_t length, size_t at = 0) {
        return count >= at + length && std::memcmp(bytes + at, magic, length) == 0;
    };
    if (!bytes) return false;
    if (startsWith("\x89PNG\r\n\x1A\n", 8) || startsWith("GIF87a", 6) || startsWith("GIF89a", 6)) return true;
    if (startsWith("\xFF\xD8\xFF", 3) || startsWith("BM", 2)) return true;
    if (startsWith("II*\0", 4) || startsWith("MM\0*", 4)) return true;
    if (startsWith("RIFF", 4) && startsWith("WEBP", 4, 8)) return true;
    // An icon directory with at least one entry; MPEG start codes begin
    // 00 00 01 too, but never with a zero code and a count after it.
    return startsWith("\0\0\1\0", 4) && count >= 6 && (bytes[4] | bytes[5]) != 0;
}

HBITMAP GrabFrameWithin(const wchar_t* path, int seconds, DWORD timeoutMs, TFrameGrabber grabber) {
    if (!path || !grabber) return nullptr;
    TFrameGrab* grab = new (std::nothrow) TFrameGrab{2, path, seconds, grabber, nullptr, nullptr};
    if (!grab) return nullptr;
    grab->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = grab->done ? CreateThread(nullptr, 0, FrameGrabProc, grab, 0, nullptr) : nullptr;
    if (!thread) {
        grab->references = 1;
        ReleaseFrameGrab(grab);
        return nullptr;
    }
    // Nothing waits for the thread itself: one that Media Foundation holds
    // is left to it, and the process ends around it.
    CloseHandle(thread);
    HBITMAP frame = nullptr;
    if (WaitForSingleObject(grab->done, timeoutMs) == WAIT_OBJECT_0) {
        frame = grab->frame;
        grab->frame = nullptr;
    }
    ReleaseFrameGrab(grab);
    return frame;
}

HBITMAP GrabVideoFrame(const wchar_t* path, int seconds) {
    if (!path) return nullptr;
    // A picture that the image step refused, cut short say, is no video;
    // Wine's Media Foundation waits for good in its parser over some.
    BYTE head[16] = {};
    DWORD got = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    // A URL, or a file this cannot open, is the reader's to judge.
    if (file != INVALID_HANDLE_VALUE) {
        if (!ReadFile(file, head, sizeof(head), &got, nullptr)) got = 0;
        CloseHandle(file);
    }
    if (StartsAsStillPicture(head, got)) return nullptr;
    return GrabFrameWithin(path, seconds, kVideoGrabMs, GrabFrameWithReader);
}
