#pragma once
// The two provider lists the main window keeps: the detail providers and the
// thumbnail makers, each in its fixed lookup order (the first provider that
// supports an extension wins). Each list owns its providers.
//
// The order lives in the tables of ProviderRegistry.cpp; a new provider is
// added there by one line at its place.

#include <memory>
#include <string>
#include <vector>

#include "readers/details/FileInfoProvider.h"
#include "readers/details/ThumbnailProvider.h"

using CFileInfoProviderList = std::vector<std::unique_ptr<CFileInfoProvider>>;
using CThumbnailProviderList = std::vector<std::unique_ptr<CThumbnailProvider>>;

// Empties the list, then appends a provider of each kind in the lookup order
// (MP3, OLE summary information, PDF, HTML title, BMP, JPEG, GIF, TGA, PCX,
// AVI, WAVE, version resource, PNG, archive description file, shortcut, PSD)
// that this build has, and calls InitExtensions on each; returns the count.
int CreateFileInfoProviders(CFileInfoProviderList& list);
// Deletes every provider and empties the list.
void DeleteFileInfoProviders(CFileInfoProviderList& list);

// The same for the thumbnail makers (images through the thumbnail library,
// AVI, the summary thumbnail of ".max" files, PSD).
int CreateThumbnailProviders(CThumbnailProviderList& list);
void DeleteThumbnailProviders(CThumbnailProviderList& list);

// The first provider of the list that is enabled and supports `name`; null
// when none.
CFileInfoProvider* FindEnabledFileInfoProvider(const CFileInfoProviderList& list,
                                               const std::string& name);
// The first thumbnail maker of the list that supports `name`; null when none.
CThumbnailProvider* FindThumbnailProvider(const CThumbnailProviderList& list,
                                          const std::string& name);
