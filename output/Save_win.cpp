#include "output/Save_win.h"

#include <objidl.h>

#include <cstring>
#include <new>
#include <vector>

#include "gfx/Dib_win.h"
#include "gfx/GdiPlus_win.h"
#include "gfx/Handles_win.h"
#include "gfx/Log_win.h"
#include "gfx/SystemError_win.h"
#include "gfx/SystemProc_win.h"
#include "output/GifEncoder.h"
#include "output/ImageFormat.h"
#include "output/PngOnCores_win.h"
#include "output/SaveRules.h"

namespace vellumo::win {

namespace {
GUID ToGuid(const Guid& g) {
    GUID out;
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    std::memcpy(out.Data4, g.data4.data(), 8);
    return out;
}

// The encoders write into memory; the file itself is written by WriteWhole,
// so a refused write reports the system's own reason.
using CreateStreamOnHGlobalFn = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);

class MemoryStream {
public:
    MemoryStream() {
        // ole32 is in the process once GDI+ is; resolving it here keeps it out
        // of the exe's start-up imports.
        static const auto create = SystemProc<CreateStreamOnHGlobalFn>(L"ole32.dll", "CreateStreamOnHGlobal");
        if (create) create(nullptr, TRUE, &stream_);
    }
    ~MemoryStream() {
        if (stream_) stream_->Release();
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    IStream* get() const { return stream_; }
    bool Bytes(std::vector<std::uint8_t>& out) const {
        STATSTG st{};
        if (!stream_ || FAILED(stream_->Stat(&st, STATFLAG_NONAME))) return false;
        out.resize(static_cast<std::size_t>(st.cbSize.QuadPart));
        LARGE_INTEGER zero{};
        if (FAILED(stream_->Seek(zero, STREAM_SEEK_SET, nullptr))) return false;
        ULONG read = 0;
        return out.empty() ||
               (SUCCEEDED(stream_->Read(out.data(), static_cast<ULONG>(out.size()), &read)) && read == out.size());
    }

private:
    IStream* stream_ = nullptr;
};

bool NeedsGdiPlus(ImageFormat format) { return format != ImageFormat::Bmp && format != ImageFormat::Gif; }

// The encoder's image over the pixels (which it borrows, so they must outlive
// it). Made on the window thread: Wine's GdipCreateBitmapFromScan0 makes a
// DC, which takes GDI's process-wide lock, and a worker that waits for that
// lock while the window thread waits for the worker never ends (seen when a
// system conversion had left the lock held).
gp::GpStatus MakeEncoderImage(const Pixels& px, unique_gp_image& out) {
    if (!GdiPlusReady()) return gp::GdiplusNotInitialized;
    gp::GpBitmap* raw = nullptr;
    const gp::GpStatus status = GdiPlus().GdipCreateBitmapFromScan0(
        px.width, px.height, px.width * 4, PixelFormat32bppRGB,
        reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(px.bits.data())), &raw);
    if (status == gp::Ok) out.reset(raw);
    return status;
}

gp::GpStatus EncodeWithGdiPlus(gp::GpImage* image, ImageFormat format, std::vector<std::uint8_t>& out) {
    if (!image) return gp::InvalidParameter;
    const GdiPlusApi& gp = GdiPlus();
    gp::GpStatus status = gp::Ok;
    MemoryStream stream;
    if (!stream.get()) return gp::OutOfMemory;
    const GUID clsid = ToGuid(EncoderClsidByIndex(EncoderIndexFor(format)));
    if (format == ImageFormat::Jpeg) {
        ULONG quality = kJpegQuality;
        gp::EncoderParameters params{};
        params.Count = 1;
        params.Parameter[0].Guid = ToGuid(EncoderQualityGuid());
        params.Parameter[0].NumberOfValues = 1;
        params.Parameter[0].Type = gp::EncoderParameterValueTypeLong;
        params.Parameter[0].Value = &quality;
        status = gp.GdipSaveImageToStream(image, stream.get(), &clsid, &params);
    } else {
        status = gp.GdipSaveImageToStream(image, stream.get(), &clsid, nullptr);
    }
    if (status != gp::Ok) return status;
    return stream.Bytes(out) && !out.empty() ? gp::Ok : gp::OutOfMemory;
}

// One save after its pixels are read: encoded, written and checked on a
// worker thread, so the program can show that it is busy.
struct SaveJob {
    std::wstring name;  // as the user chose it
    ImageFormat format = ImageFormat::None;
    Pixels pixels;
    unique_gp_image image;  // over `pixels`, for the GDI+ formats
    bool ok = false;
    SaveStep failedAt = SaveStep::Write;
    std::wstring detail;

    bool Fail(SaveStep step, std::wstring why = {}) {
        failedAt = step;
        detail = std::move(why);
        return false;
    }
};

// An existing target that is no file (nul.png slipped past the name check
// as \\.\nul, a link to a device) is refused before anything is written:
// nothing would put a file in its place.
bool TargetCanTakeAFile(const std::wstring& path, SaveJob& job) {
    // No access asked: a file another program holds open still answers.
    unique_handle f = FileHandle(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return true;  // no target yet, or one that the final move will judge
    return ::GetFileType(f.get()) == FILE_TYPE_DISK || job.Fail(SaveStep::NotAFile);
}

// A new file beside the target, opened for writing; its name in `temp`.
unique_handle CreateTemporaryBeside(const std::wstring& target, std::wstring& temp, DWORD& error) {
    constexpr unsigned kAttempts = 50;  // names left by a save that never finished are stepped over
    error = 0;
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        temp = ExtendedLengthPath(TemporaryNameBeside(target, attempt));
        unique_handle f = FileHandle(
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f) return f;
        error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    temp.clear();
    return {};
}

// Writes the whole file to `temp`, flushed to the disk; on any failure the
// file is removed and the system's reason kept.
bool WriteWhole(unique_handle f, const std::wstring& temp, const std::vector<std::uint8_t>& bytes, SaveJob& job) {
    std::size_t done = 0;
    DWORD error = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(f.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            error = ::GetLastError();
            if (!error) error = ERROR_WRITE_FAULT;
            break;
        }
        done += written;
    }
    if (!error && !::FlushFileBuffers(f.get())) error = ::GetLastError();
    if (!::CloseHandle(f.release()) && !error) error = ::GetLastError();
    if (!error) return true;
    ::DeleteFileW(temp.c_str());
    return job.Fail(SaveStep::Write, SystemErrorText(error));
}

// The file is there, a file, and holds exactly what was written: a save
// that "succeeded" into nothing is not told as a success.
bool VerifyWritten(const std::wstring& path, const std::vector<std::uint8_t>& bytes, SaveJob& job) {
    unique_handle f = FileHandle(::CreateFileW(path.c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return job.Fail(SaveStep::Verify, L"it cannot be opened again: " + SystemErrorText(::GetLastError()));
    LARGE_INTEGER size{};
    if (::GetFileType(f.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(f.get(), &size))
        return job.Fail(SaveStep::Verify, L"it is not a file");
    if (static_cast<unsigned long long>(size.QuadPart) != bytes.size())
        return job.Fail(SaveStep::Verify, std::to_wstring(size.QuadPart) + L" bytes instead of " +
                                              std::to_wstring(bytes.size()));
    std::vector<std::uint8_t> chunk(std::min<std::size_t>(bytes.size(), 1u << 20));
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD want = static_cast<DWORD>(std::min(chunk.size(), bytes.size() - done));
        DWORD got = 0;
        if (!::ReadFile(f.get(), chunk.data(), want, &got, nullptr) || got != want ||
            std::memcmp(chunk.data(), bytes.data() + done, want) != 0)
            return job.Fail(SaveStep::Verify, L"its bytes differ from those written");
        done += want;
    }
    return true;
}

// The file is written whole beside the target, read back, and only then
// put in its place: a full disk or a refused write leaves an existing file
// exactly as it was, and no temporary file behind.
bool PutInPlace(const std::wstring& path, const std::vector<std::uint8_t>& bytes, SaveJob& job) {
    if (!TargetCanTakeAFile(path, job)) return false;
    std::wstring temp;
    DWORD error = 0;
    unique_handle f = CreateTemporaryBeside(job.name, temp, error);
    if (!f) return job.Fail(SaveStep::Write, SystemErrorText(error));
    if (!WriteWhole(std::move(f), temp, bytes, job)) return false;
    bool placed = VerifyWritten(temp, bytes, job);
    if (placed && !::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        placed = job.Fail(SaveStep::Write, SystemErrorText(::GetLastError()));
    if (!placed) ::DeleteFileW(temp.c_str());
    return placed;
}

bool Encode(SaveJob& job, std::vector<std::uint8_t>& bytes) {
    const Pixels& px = job.pixels;
    switch (job.format) {
        case ImageFormat::Png: bytes = EncodePngOnCores(px.bits.data(), px.width, px.height, px.width); break;
        case ImageFormat::Bmp: bytes = EncodeBmp(px.bits.data(), px.width, px.height, px.width); break;
        // Written here: Wine's GIF encoder takes only paletted bitmaps and
        // took 19 s for an 8K screen.
        case ImageFormat::Gif:
            bytes = EncodeGif(ReduceToPalette(px.bits.data(), px.width, px.height, px.width), px.width, px.height);
            break;
        default: {
            const gp::GpStatus status = EncodeWithGdiPlus(job.image.get(), job.format, bytes);
            if (status == gp::OutOfMemory) return job.Fail(SaveStep::OutOfMemory);
            if (status != gp::Ok) return job.Fail(SaveStep::Encode);
        }
    }
    return !bytes.empty() || job.Fail(SaveStep::Encode);
}

void RunSave(SaveJob& job) noexcept {
    try {
        std::vector<std::uint8_t> bytes;
        if (!Encode(job, bytes)) return;
        if (!job.image) job.pixels = {};  // the encoded file is all that is needed now
        const std::wstring path = ExtendedLengthPath(job.name);
        job.ok = PutInPlace(path, bytes, job);
    } catch (const std::bad_alloc&) {
        job.Fail(SaveStep::OutOfMemory);
    } catch (...) {
        job.Fail(SaveStep::Encode);
    }
}

DWORD WINAPI SaveThread(void* job) {
    RunSave(*static_cast<SaveJob*>(job));
    return 0;
}

// Input that comes while a save runs is dropped: the capture it would act
// on is being written. Paint goes on, so the program's windows stay drawn.
void DropInputKeepPainting() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE)) {
    }
    while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) ::DispatchMessageW(&msg);
}

// Runs the save on a worker thread. Past half a second the pointer shows
// the wait cursor until it is done. The cursor is set again as the pointer
// moves: the system (and Wine) put it on the window the pointer is in, which
// it learns from the input taken here.
void RunWithWaitCursor(SaveJob& job) {
    unique_handle thread(::CreateThread(nullptr, 0, &SaveThread, &job, 0, nullptr));
    if (!thread) return RunSave(job);
    if (::WaitForSingleObject(thread.get(), kWaitCursorAfterMs) != WAIT_TIMEOUT) return;
    const HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);
    const HCURSOR before = ::SetCursor(wait);
    const HANDLE done = thread.get();
    while (::MsgWaitForMultipleObjects(1, &done, FALSE, 100, QS_INPUT | QS_PAINT) != WAIT_OBJECT_0) {
        DropInputKeepPainting();
        ::SetCursor(wait);
    }
    ::SetCursor(before);
}
}  // namespace

SaveOutcome SaveBitmapToFile(HBITMAP bitmap, const std::wstring& name) {
    if (const SaveNameProblem problem = CheckSaveName(name); problem != SaveNameProblem::None)
        return {SaveNameMessage(problem, name)};
    SaveJob job;
    job.name = name;
    job.format = FormatByExtension(name);
    try {
        if (!ReadPixels(bitmap, job.pixels)) return {SaveFailureMessage(SaveStep::ReadImage, name)};
    } catch (const std::bad_alloc&) {
        return {SaveFailureMessage(SaveStep::OutOfMemory, name)};
    }
    if (NeedsGdiPlus(job.format)) {
        const gp::GpStatus made = MakeEncoderImage(job.pixels, job.image);
        if (made == gp::OutOfMemory) return {SaveFailureMessage(SaveStep::OutOfMemory, name)};
        if (made != gp::Ok) return {SaveFailureMessage(SaveStep::Encode, name)};
    }
    // The worker calls nothing that takes GDI's lock: only the encoder over
    // the image made above (or the portable BMP and GIF encoders) and files.
    RunWithWaitCursor(job);
    job.image.reset();  // before the pixels it borrows
    if (!job.ok) {
        LogFailure((L"saving " + name + L" failed: " + job.detail).c_str());
        return {SaveFailureMessage(job.failedAt, name, job.detail)};
    }
    return {};
}

}  // namespace vellumo::win
