#pragma once

#include <memory>
#include <string>

#include "browserview.h"
#include "recordset.h"
#include "valueformatter.h"

namespace browse {

// The window's browsing logic: its one record set, rsObjects, and the
// operations its buttons run. Each operation either completes or throws a
// Failure at its first failing step; nothing here catches.
class ObjectBrowser {
public:
    // view and resolver must outlive the browser. localeName picks the locale
    // values are shown in ("" is the user's).
    ObjectBrowser(BrowserView& view, const dataaccess::ProviderResolver& resolver,
                  const char* localeName = "");

    // Opens the objects of kind (the selected kind's text, "" for none) in
    // database (the name exactly as typed). The window reads both on its own
    // thread and hands them over, as this may run on another. Shows nothing:
    // the new record set stands on its first row, not yet displayed.
    void OpenObjects(std::string_view kind, std::string_view database);
    // Steps forward and shows the row, or says "At End of File".
    void ShowNext();
    // Steps back and shows the row, or says "At Start of File".
    void ShowPrevious();
    // Copies the current row into the three boxes.
    void MoveToScreen();

    // The objects the running (or last) OpenObjects has read so far, with
    // dataaccess::kSortingRows added while the provider sorts them; another
    // thread may watch it while OpenObjects runs.
    const dataaccess::RowsRead& ObjectsRead() const noexcept { return objectsRead_; }

private:
    // The end of a step: at the end, the message, which keeps the boxes;
    // otherwise the row.
    void ShowRowUnless(bool atEnd, std::string_view endMessage);
    dataaccess::Recordset& Current() const;

    BrowserView& view_;
    const dataaccess::ProviderResolver& resolver_;
    ValueFormatter formatter_;
    std::string text_;  // reused for every value shown, so steps do not allocate
    std::string name_;  // the row's name as shown, for a message about its other fields
    std::unique_ptr<dataaccess::Recordset> rsObjects;
    dataaccess::RowsRead objectsRead_{0};
};

}  // namespace browse
