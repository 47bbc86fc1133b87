/*
 * Identifiers of the QvModCat2 automation interfaces: GUIDs and dispatch identifiers.
 *
 * This header is the one place where they are written down.  The IDL files include it for
 * their uuid() and id() attributes; C++ code includes it for the dispatch identifiers and for
 * the alternative interface identifiers that are not declared as interfaces of their own.
 * GUIDs are quoted texts so that both widl and the C++ GUID parser (sdk/include/qv_guid.h) read them.
 * Once published, none of these values may change.
 */
#ifndef QVMODCAT_IDS_H
#define QVMODCAT_IDS_H

/* Type libraries. */
#define QV_GUID_LIBID_QVMODCAT2Lib          "13412E05-C8F7-467B-A354-4427AAE6CA42"
#define QV_GUID_LIBID_QvModCatInterfaces    "4455B49D-172E-493B-94B5-A074B5D778E2"

/* Creatable classes, in class-table order. */
#define QV_GUID_CLSID_MMCatalog             "3DF38714-C041-41B6-A8E4-92B2882D608D"
#define QV_GUID_CLSID_MMCatalogPro          "3CC6F4AA-22F5-4330-80AE-F4696632841E"
#define QV_GUID_CLSID_MergeModule2          "ECA29BFA-4276-4E40-8BD6-6DCAA6BE19C4"
#define QV_GUID_CLSID_MMCatalogManager      "9506EF28-6958-47A4-AB8C-E0FCA3A18F6E"

/* The catalog answers three identifiers with one interface; the first carries the type
 * information.  The module object likewise; there the third carries the type information
 * and the first is the one for which error information is promised. */
#define QV_GUID_IID_IMMCatalog              "25EE5B28-384F-4D83-B081-6CD05ED08A67"
#define QV_GUID_IID_IMMCatalog_Alt2         "5FC73B91-E488-48AC-B860-7FB74497C4C7"
#define QV_GUID_IID_IMMCatalog_Alt3         "EEEBE649-F197-4D9F-96D6-9C86D17F136C"
#define QV_GUID_IID_IMMCatalogManager       "A5E3DC6A-861A-4018-A49A-FB38C26F3F7A"
#define QV_GUID_IID_IMergeModule2_Alt1      "D0A517FA-9D09-4854-B850-8FE3D5CF2819"
#define QV_GUID_IID_IMergeModule2_Alt2      "1B906089-40AE-44B2-B753-1C21B2974076"
#define QV_GUID_IID_IMergeModule2           "084B83A2-77B2-43B0-80B6-8CE505E2647E"

/* Catalog collections. */
#define QV_GUID_IID_IMergeModuleCollection  "D5E3242B-C8C0-4E47-9D54-09C33689621C"
#define QV_GUID_IID_IModuleFolderCollection "066D245E-634A-4C92-8CBD-6AE258D77123"
#define QV_GUID_IID_IModuleFolderItem       "B383219E-7078-4A1A-82B8-D040368E268B"

/* Module detail collections and their items. */
#define QV_GUID_IID_IDialogCollection       "46DDEBB3-92CE-4C96-9601-9DF36035EC68"
#define QV_GUID_IID_IDialogItem             "01D21A62-D63D-4485-AB58-A4F11B851E8B"
#define QV_GUID_IID_ICustomActionCollection "35DF1B6C-15E0-4BDF-818F-C1955AA902A2"
#define QV_GUID_IID_ICustomActionItem       "23B706FE-662A-40DB-820B-29F1684AF155"
#define QV_GUID_IID_IDownloadFileCollection "63EB29E7-EEEA-4D42-93DF-1D61C29C3541"
#define QV_GUID_IID_IDownloadFileItem       "F5E3ECA7-14FC-4E6A-BF0C-EB0E3A5A5087"
#define QV_GUID_IID_IDependencyCollection   "37F8F38E-B1EF-445A-BD91-C2E4A63994F8"
#define QV_GUID_IID_IDependencyItem         "8214AEC7-7ABB-4C01-B5B3-B978016DCCF3"
#define QV_GUID_IID_IExclusionCollection    "C88BBA7A-7E96-4E7E-95C6-E8F326215EBB"
#define QV_GUID_IID_IExclusionItem          "8216E3F5-A10F-48FC-95A8-A69B037D80C9"
#define QV_GUID_IID_IFileCollection         "F03AC0F7-ACD9-44C6-8871-62C96FB3483C"
#define QV_GUID_IID_IFileItem               "BE0E8E5D-A18C-4337-B382-AEC444C63C14"

/* Dispatch identifiers.  Members are numbered in slot order from 1; a collection's Item is
 * its default member (DISPID_VALUE, 0) and its enumerator member is DISPID_NEWENUM (-4). */
#define QV_DISPID_VALUE                     0
#define QV_DISPID_NEWENUM                   (-4)

#define QV_DISPID_CATALOG_RESERVED1         1
#define QV_DISPID_CATALOG_RESERVED2         2
#define QV_DISPID_CATALOG_RESERVED3         3
#define QV_DISPID_CATALOG_GETMODULEFOLDERS  4
#define QV_DISPID_CATALOG_GETMODULES        5
#define QV_DISPID_CATALOG_FINDMODULEFORFILE 6
#define QV_DISPID_CATALOG_RESERVED7         7
#define QV_DISPID_CATALOG_RESERVED8         8
#define QV_DISPID_CATALOG_RESERVED9         9
#define QV_DISPID_CATALOG_GETMODULE         10
#define QV_DISPID_CATALOG_FINDMODULEFORFILEINFOLDER 11
#define QV_DISPID_CATALOG_GETMODULEKEYFORFILE 12
#define QV_DISPID_CATALOG_GETMODULEDISPLAYNAME 13
#define QV_DISPID_CATALOG_SUPPORTSPROJECT   14
#define QV_DISPID_CATALOG_AUTOREFRESH       15

#define QV_DISPID_MANAGER_GETCATALOG        1

#define QV_DISPID_MODULE_DIALOGS            1
#define QV_DISPID_MODULE_CUSTOMACTIONS      2
#define QV_DISPID_MODULE_NAME               3
#define QV_DISPID_MODULE_MODULEID           4
#define QV_DISPID_MODULE_KEY                5
#define QV_DISPID_MODULE_PATH               6
#define QV_DISPID_MODULE_COMMENTS           7
#define QV_DISPID_MODULE_SUBJECT            8
#define QV_DISPID_MODULE_AUTHOR             9
#define QV_DISPID_MODULE_LANGUAGE           10
#define QV_DISPID_MODULE_VERSION            11
#define QV_DISPID_MODULE_DEPENDENCIES       12
#define QV_DISPID_MODULE_EXCLUSIONS         13
#define QV_DISPID_MODULE_FILES              14
#define QV_DISPID_MODULE_DISPLAYNAME        15
#define QV_DISPID_MODULE_LOAD               16
#define QV_DISPID_MODULE_ISINSTALLED        17
#define QV_DISPID_MODULE_NEEDSDOWNLOAD      18
#define QV_DISPID_MODULE_DOWNLOADFILES      19

#define QV_DISPID_COLLECTION_COUNT          1
#define QV_DISPID_COLLECTION_ENUMERATOR     2
#define QV_DISPID_FOLDERS_RESERVED3         3
#define QV_DISPID_FOLDERS_ADDFOLDER         4
#define QV_DISPID_FOLDERS_REMOVEFOLDER      5

#define QV_DISPID_FOLDERITEM_MODULES        1
#define QV_DISPID_FOLDERITEM_PATH           2
#define QV_DISPID_FOLDERITEM_NAME           3
#define QV_DISPID_FOLDERITEM_FOLDER         4
#define QV_DISPID_FOLDERITEM_KIND           5

/* Item properties of the module detail collections, each numbered in slot order. */
#define QV_DISPID_ITEM_1                    1
#define QV_DISPID_ITEM_2                    2
#define QV_DISPID_ITEM_3                    3
#define QV_DISPID_ITEM_4                    4
#define QV_DISPID_ITEM_5                    5
#define QV_DISPID_ITEM_6                    6
#define QV_DISPID_ITEM_7                    7

#endif
