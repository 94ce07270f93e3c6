#include "readers/details/ProviderRegistry.h"

#include "readers/details/AviInfoProvider.h"
#include "readers/details/AviThumbnailProvider.h"
#include "readers/details/BmpInfoProvider.h"
#include "readers/details/DizInfoProvider.h"
#include "readers/details/GifInfoProvider.h"
#include "readers/details/HtmlTitleProvider.h"
#include "readers/details/ImageThumbnailProvider.h"
#include "readers/details/JpegInfoProvider.h"
#include "readers/details/LnkInfoProvider.h"
#include "readers/details/MaxThumbnailProvider.h"
#include "readers/details/Mp3InfoProvider.h"
#include "readers/details/OleSummaryInfoProvider.h"
#include "readers/details/PcxInfoProvider.h"
#include "readers/details/PdfInfoProvider.h"
#include "readers/details/PngInfoProvider.h"
#include "readers/details/PsdInfoProvider.h"
#include "readers/details/PsdThumbnailProvider.h"
#include "readers/details/TgaInfoProvider.h"
#include "readers/details/VersionInfoProvider.h"
#include "readers/details/WaveInfoProvider.h"

namespace {

template <class Provider, class Base>
std::unique_ptr<Base> Make() {
    return std::make_unique<Provider>();
}

// Makes one provider; null while this build has no reader for the kind.
template <class Base>
using ProviderMaker = std::unique_ptr<Base> (*)();

// The detail providers in lookup order.
constexpr ProviderMaker<CFileInfoProvider> kFileInfoProviders[] = {
    &Make<CMp3InfoProvider, CFileInfoProvider>,         // MP3
    &Make<COleSummaryInfoProvider, CFileInfoProvider>,  // OLE summary information
    &Make<CPdfInfoProvider, CFileInfoProvider>,         // PDF
    &Make<CHtmlTitleProvider, CFileInfoProvider>,       // HTML title
    &Make<CBmpInfoProvider, CFileInfoProvider>,         // BMP
    &Make<CJpegInfoProvider, CFileInfoProvider>,        // JPEG
    &Make<CGifInfoProvider, CFileInfoProvider>,         // GIF
    &Make<CTgaInfoProvider, CFileInfoProvider>,         // TGA
    &Make<CPcxInfoProvider, CFileInfoProvider>,         // PCX
    &Make<CAviInfoProvider, CFileInfoProvider>,         // AVI
    &Make<CWaveInfoProvider, CFileInfoProvider>,        // WAVE
    &Make<CVersionInfoProvider, CFileInfoProvider>,     // version resource
    &Make<CPngInfoProvider, CFileInfoProvider>,         // PNG
    &Make<CDizInfoProvider, CFileInfoProvider>,         // archive description file
    &Make<CLnkInfoProvider, CFileInfoProvider>,         // shortcut
    &Make<CPsdInfoProvider, CFileInfoProvider>,         // PSD
};

// The thumbnail makers in lookup order.
constexpr ProviderMaker<CThumbnailProvider> kThumbnailProviders[] = {
    &Make<CImageThumbnailProvider, CThumbnailProvider>,  // images, through the thumbnail library
    &Make<CAviThumbnailProvider, CThumbnailProvider>,    // AVI
    &Make<CMaxThumbnailProvider, CThumbnailProvider>,    // the summary thumbnail of ".max" files
    &Make<CPsdThumbnailProvider, CThumbnailProvider>,    // PSD
};

template <class Base, std::size_t N>
int CreateProviders(std::vector<std::unique_ptr<Base>>& list,
                    const ProviderMaker<Base> (&makers)[N]) {
    list.clear();
    for (const ProviderMaker<Base> make : makers) {
        if (make != nullptr)
            list.push_back(make());
    }
    for (const auto& provider : list)
        provider->InitExtensions();
    return static_cast<int>(list.size());
}

}  // namespace

int CreateFileInfoProviders(CFileInfoProviderList& list) {
    return CreateProviders(list, kFileInfoProviders);
}

void DeleteFileInfoProviders(CFileInfoProviderList& list) {
    list.clear();
}

int CreateThumbnailProviders(CThumbnailProviderList& list) {
    return CreateProviders(list, kThumbnailProviders);
}

void DeleteThumbnailProviders(CThumbnailProviderList& list) {
    list.clear();
}

CFileInfoProvider* FindEnabledFileInfoProvider(const CFileInfoProviderList& list,
                                               const std::string& name) {
    for (const auto& provider : list) {
        if (provider->IsEnabled() && provider->IsSupported(name))
            return provider.get();
    }
    return nullptr;
}

CThumbnailProvider* FindThumbnailProvider(const CThumbnailProviderList& list,
                                          const std::string& name) {
    for (const auto& provider : list) {
        if (provider->IsSupported(name))
            return provider.get();
    }
    return nullptr;
}
