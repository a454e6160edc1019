#include "objectbrowser.h"

#include <algorithm>

#include "dataaccess_api.h"
#include "failure.h"
#include "programerrors.h"
#include "recordset.h"

namespace browse {
namespace {

// Which field goes to which box, in the order the boxes are written.
struct RowShape {
    std::string_view field;
    Box box;
};
constexpr RowShape kRowShape[] = {
    {"Name", Box::Name},
    {"DateCreated", Box::DateCreated},
    {"DateUpdated", Box::DateUpdated},
};

constexpr std::string_view kConnection = "Provider=Quorbix";

// The provider's number for a database without the catalog's table: most
// often a file that was never a catalog, so the message says where the
// format is described.
constexpr int kNoCatalogTable = 2020;
constexpr std::string_view kCatalogAdvice =
    " A catalog is an SQLite file with that table; the manual page (man vantril) describes its format.";

// A null in a row's other fields names the row by its name, cut short at a
// character's start so that a huge name cannot fill the message.
std::string NullMessage(std::string_view field, std::string_view name) {
    constexpr std::size_t kMaxNameBytes = 100;
    std::size_t length = std::min(name.size(), kMaxNameBytes);
    while (length < name.size() && length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
        --length;
    return "Invalid use of Null: the field '" + std::string(field) + "' of the object '" +
           std::string(name.substr(0, length)) + (length < name.size() ? "\u2026" : "") +
           "' has no value to show.";
}

}  // namespace

ObjectBrowser::ObjectBrowser(BrowserView& view, const dataaccess::ProviderResolver& resolver,
                             const char* localeName)
    : view_(view), resolver_(resolver), formatter_(localeName) {}

void ObjectBrowser::OpenObjects(std::string_view kind, std::string_view database) {
    // The new record set replaces the old one before anything can fail, so a
    // failure never leaves the old rows in place.
    objectsRead_.store(0, std::memory_order_relaxed);
    rsObjects = std::make_unique<dataaccess::Recordset>(resolver_);
    rsObjects->CountRowsReadIn(&objectsRead_);
    const std::string source = std::string(kind) + ";" + std::string(database);
    dataaccess::Status opened = rsObjects->Open(source, kConnection, dataaccess::adOpenUnspecified,
                                                dataaccess::adLockUnspecified, dataaccess::adCmdUnspecified);
    if (opened.number == kNoCatalogTable) opened.description += kCatalogAdvice;
    Check(std::move(opened));
}

void ObjectBrowser::ShowNext() {
    dataaccess::Recordset& rs = Current();
    bool atEnd = false;
    Check(rs.EOF_(atEnd));
    if (!atEnd) Check(rs.MoveNext());
    Check(rs.EOF_(atEnd));
    ShowRowUnless(atEnd, "At End of File");
}

void ObjectBrowser::ShowPrevious() {
    dataaccess::Recordset& rs = Current();
    bool atStart = false;
    Check(rs.BOF(atStart));
    if (!atStart) Check(rs.MovePrevious());
    Check(rs.BOF(atStart));
    ShowRowUnless(atStart, "At Start of File");
}

void ObjectBrowser::ShowRowUnless(bool atEnd, std::string_view endMessage) {
    if (atEnd) {
        view_.ShowMessage(endMessage);
        return;
    }
    MoveToScreen();
}

void ObjectBrowser::MoveToScreen() {
    dataaccess::Recordset& rs = Current();
    for (const RowShape& shape : kRowShape) {
        dataaccess::Fields fields;
        Check(rs.Fields(fields));
        dataaccess::Field field;
        Check(fields.Item(shape.field, field));
        dataaccess::Value value;
        Check(field.Value(value));
        dataaccess::Status shown = formatter_.Format(value, shape.field, text_);
        if (shown.number == errors::kInvalidUseOfNull && shape.box != Box::Name)
            shown.description = NullMessage(shape.field, name_);
        Check(std::move(shown));
        if (shape.box == Box::Name) name_.assign(text_);
        view_.SetBoxText(shape.box, text_);
    }
}

dataaccess::Recordset& ObjectBrowser::Current() const {
    if (rsObjects == nullptr) {
        throw Failure({errors::kObjectNotSet,
                       "Object not set: no record set is open yet. Pick a kind and press Vantril first."});
    }
    return *rsObjects;
}

}  // namespace browse
