// TIFF and BMP files through the Windows Imaging Component.  Its own pixel
// conversions are used only towards 32-bit BGRA, the one target every
// format converts to exactly (on Wine its 8-bit grey target bends greys, and
// its 24-bit target refuses grey and palette pictures); grey and colour are
// derived here, so that an 8-bit grey picture comes back byte for byte.
#include "libs/imaging/image_files.h"
#include "common/guarded_entry.h"

#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace imaging {
namespace {

// Owns one COM interface reference.
template <class T> class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() { Reset(); }
    void Reset() {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }
    T** Out() {
        Reset();
        return &p_;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

  private:
    T* p_ = nullptr;
};

// COM for the calling thread, for the time of one call.  A thread whose
// apartment the host already chose keeps it (RPC_E_CHANGED_MODE).
class ComScope {
  public:
    ComScope() {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ok_ = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
        owned_ = SUCCEEDED(hr);
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (owned_)
            CoUninitialize();
    }
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
    bool owned_ = false;
};

bool Ok(HRESULT hr) {
    return SUCCEEDED(hr);
}

bool CreateFactory(Com<IWICImagingFactory>& factory) {
    return Ok(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out())));
}

std::wstring Wide(const char* ansi) {
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (n <= 1)
        return {};
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, w.data(), n);
    w.resize(static_cast<std::size_t>(n - 1));
    return w;
}

bool NamesBmp(const std::wstring& name) {
    const std::size_t dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && name.find_first_of(L"\\/", dot) == std::wstring::npos &&
           _wcsicmp(name.c_str() + dot, L".bmp") == 0;
}

std::size_t PlaneSize(const Pixels& p) {
    return static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
}

bool Usable(const Pixels& p) {
    return p.data && p.width > 0 && p.height > 0 && (p.bands == 1 || p.bands == 3);
}

// The grey value of a colour: itself for a grey pixel, else its luminance.
uint8_t GreyOf(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((299u * r + 587u * g + 114u * b + 500u) / 1000u);
}

// Decoded rows, w x h pixels of `step` bytes: 1 grey, else B, G, R (, A).
struct Decoded {
    std::vector<uint8_t> bytes;
    UINT width = 0;
    UINT height = 0;
    UINT step = 1;
};

void Store(const Decoded& in, const Pixels& out) {
    const std::size_t plane = PlaneSize(out);
    for (UINT y = 0; y < in.height; ++y) {
        const uint8_t* src = in.bytes.data() + static_cast<std::size_t>(y) * in.width * in.step;
        const std::size_t row = static_cast<std::size_t>(y) * out.width;
        for (UINT x = 0; x < in.width; ++x, src += in.step) {
            const uint8_t r = in.step == 1 ? src[0] : src[2];
            const uint8_t g = in.step == 1 ? src[0] : src[1];
            const uint8_t b = src[0];
            if (out.bands == 1) {
                out.data[row + x] = GreyOf(r, g, b);
            } else {
                out.data[row + x] = r;
                out.data[plane + row + x] = g;
                out.data[2 * plane + row + x] = b;
            }
        }
    }
}

bool Decode(IWICImagingFactory* factory, const std::wstring& name, const Pixels& fit,
            Decoded& out) {
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    UINT w = 0, h = 0;
    WICPixelFormatGUID format{};
    if (!Ok(factory->CreateDecoderFromFilename(name.c_str(), nullptr, GENERIC_READ,
                                               WICDecodeMetadataCacheOnDemand, decoder.Out())) ||
        !Ok(decoder->GetFrame(0, frame.Out())) || !Ok(frame->GetSize(&w, &h)) ||
        !Ok(frame->GetPixelFormat(&format)) || w == 0 || h == 0)
        return false;
    out.width = std::min(w, static_cast<UINT>(fit.width));
    out.height = std::min(h, static_cast<UINT>(fit.height));
    // 8-bit grey and 24-bit BGR are read as they are; everything else goes
    // through 32-bit BGRA, which the component converts every format to.
    IWICBitmapSource* source = frame.get();
    Com<IWICFormatConverter> converter;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) {
        out.step = 1;
    } else if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        out.step = 3;
    } else {
        out.step = 4;
        if (!Ok(factory->CreateFormatConverter(converter.Out())) ||
            !Ok(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                      WICBitmapDitherTypeNone, nullptr, 0.0,
                                      WICBitmapPaletteTypeCustom)))
            return false;
        source = converter.get();
    }
    const UINT stride = out.width * out.step;
    out.bytes.resize(static_cast<std::size_t>(stride) * out.height);
    const WICRect rect{0, 0, static_cast<INT>(out.width), static_cast<INT>(out.height)};
    return Ok(
        source->CopyPixels(&rect, stride, static_cast<UINT>(out.bytes.size()), out.bytes.data()));
}

// The pixels as rows of the format the encoder took.
bool Encodable(const Pixels& p, const WICPixelFormatGUID& format, std::vector<uint8_t>& rows,
               UINT& stride) {
    UINT step = 0;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray))
        step = 1;
    else if (IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed) && p.bands == 1)
        step = 1; // with the grey palette
    else if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        step = 3;
    else if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGR) ||
             IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA))
        step = 4;
    else
        return false;
    stride = static_cast<UINT>(p.width) * step;
    rows.assign(static_cast<std::size_t>(stride) * p.height, 255);
    const std::size_t plane = PlaneSize(p);
    const uint8_t* red = p.data;
    const uint8_t* green = p.bands == 3 ? p.data + plane : p.data;
    const uint8_t* blue = p.bands == 3 ? p.data + 2 * plane : p.data;
    uint8_t* out = rows.data();
    for (std::size_t i = 0; i < plane; ++i, out += step) {
        if (step == 1) {
            out[0] = GreyOf(red[i], green[i], blue[i]);
        } else {
            out[0] = blue[i];
            out[1] = green[i];
            out[2] = red[i];
        }
    }
    return true;
}

void AskUncompressed(IPropertyBag2* options) {
    if (!options)
        return;
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(L"TiffCompressionMethod");
    VARIANT value{};
    value.vt = VT_UI1;
    value.bVal = WICTiffCompressionNone;
    options->Write(1, &option, &value); // a default is as good where refused
}

bool Encode(IWICImagingFactory* factory, IWICStream* stream, bool bmp, const Pixels& p) {
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    if (!Ok(factory->CreateEncoder(bmp ? GUID_ContainerFormatBmp : GUID_ContainerFormatTiff,
                                   nullptr, encoder.Out())) ||
        !Ok(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
        !Ok(encoder->CreateNewFrame(frame.Out(), options.Out())))
        return false;
    if (!bmp)
        AskUncompressed(options.get());
    // Grey: TIFF has 8-bit grey; BMP has it only as 8 bits with a palette of
    // the 256 greys.  The encoder may answer with a format of its own.
    WICPixelFormatGUID format = p.bands == 3 ? GUID_WICPixelFormat24bppBGR
                                : bmp        ? GUID_WICPixelFormat8bppIndexed
                                             : GUID_WICPixelFormat8bppGray;
    if (!Ok(frame->Initialize(options.get())) ||
        !Ok(frame->SetSize(static_cast<UINT>(p.width), static_cast<UINT>(p.height))) ||
        !Ok(frame->SetPixelFormat(&format)))
        return false;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed)) {
        Com<IWICPalette> palette;
        if (!Ok(factory->CreatePalette(palette.Out())) ||
            !Ok(palette->InitializePredefined(WICBitmapPaletteTypeFixedGray256, FALSE)) ||
            !Ok(frame->SetPalette(palette.get())))
            return false;
    }
    std::vector<uint8_t> rows;
    UINT stride = 0;
    return Encodable(p, format, rows, stride) &&
           Ok(frame->WritePixels(static_cast<UINT>(p.height), stride,
                                 static_cast<UINT>(rows.size()), rows.data())) &&
           Ok(frame->Commit()) && Ok(encoder->Commit());
}

} // namespace

bool ReadImageFile(const char* file, const Pixels& pixels) {
    if (!file || !Usable(pixels))
        return false;
    return common::Guarded("Imaging.dll: reading a picture", false, [&] {
        const std::wstring name = Wide(file);
        ComScope com;
        Com<IWICImagingFactory> factory;
        Decoded picture;
        if (name.empty() || !com.ok() || !CreateFactory(factory) ||
            !Decode(factory.get(), name, pixels, picture))
            return false;
        Store(picture, pixels);
        return true;
    });
}

bool WriteImageFile(const char* file, const Pixels& pixels) {
    if (!file || !Usable(pixels))
        return false;
    return common::Guarded("Imaging.dll: writing a picture", false, [&] {
        const std::wstring name = Wide(file);
        ComScope com;
        Com<IWICImagingFactory> factory;
        Com<IWICStream> stream;
        if (name.empty() || !com.ok() || !CreateFactory(factory) ||
            !Ok(factory->CreateStream(stream.Out())) ||
            !Ok(stream->InitializeFromFilename(name.c_str(), GENERIC_WRITE)))
            return false;
        const bool written = Encode(factory.get(), stream.get(), NamesBmp(name), pixels);
        stream.Reset();
        if (!written)
            DeleteFileW(name.c_str()); // no half-written picture
        return written;
    });
}

} // namespace imaging
