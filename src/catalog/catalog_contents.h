// What a catalog offers, as plain functions over the shared folder store and the catalog's
// gallery records: the store brought up to date, and the records its module collection is
// rebuilt from.  Nothing here touches a client's arguments; MMCatalog::RefreshCatalog calls
// these and keeps the catalog's own state (Dirty, the collection).
#pragma once

#include "catalog/folder_store.h"
#include "catalog/module_collection.h"

#include <map>

// Descriptor file name (with extension) to the record built from it.
using GalleryRecords = std::map<WideString, ModuleRecordRef>;

// Brings the store up to date with the environment's lists, then rescans every folder in it;
// true when the store or any folder changed.  Raises com_exception.
bool RefreshStoreAndFolders(const FolderSources& sources);

// Adds the store's package records to a collection: folders and records in ascending path
// order, so that of two packages with the same key the one met last wins, at the position of
// the first.  Raises com_exception.
void AddStoreRecords(MergeModuleCollection& collection);

// Adds a record for each gallery descriptor of <productFolder>\ObjectGallery whose key no
// record in the collection has yet (a package takes precedence), and keeps each one made in
// `gallery` under its file name.  Raises com_exception; what was added before stays.
void AddGalleryRecords(MergeModuleCollection& collection, const WideString& productFolder,
                       GalleryRecords& gallery);
