// The source string and the request, checked before any file is touched.

#include "quorbixerrors.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

TEST(SourceString, MalformedSourcesAreNumberedErrors) {
    const struct {
        std::string source;
        int number;
        std::vector<std::string> mentions;  // each must appear in the description
    } cases[] = {
        {"", errors::kNoSeparator, {"';'"}},
        {"Form orders.db", errors::kNoSeparator, {"Form orders.db"}},
        {";orders.db", errors::kUnknownKind, {"No object kind was picked: pick Form, Query or Report."}},
        {"form;orders.db", errors::kUnknownKind, {"'form'", "Form", "Query", "Report"}},
        {"Form ;orders.db", errors::kUnknownKind, {"'Form '"}},
        {"Reports;orders.db", errors::kUnknownKind, {"'Reports'"}},
        {"Form;", errors::kEmptyDatabaseName, {}},
        {"Query;", errors::kEmptyDatabaseName, {}},
        {std::string("Form;a.db\0.txt", 14), errors::kInvalidDatabaseName, {"NUL"}},
    };
    for (const auto& bad : cases) {
        const auto result = Open(bad.source);
        EXPECT_EQ(result.status.number, bad.number) << bad.source;
        EXPECT_EQ(result.rowset, nullptr);
        for (const auto& mention : bad.mentions)
            EXPECT_NE(result.status.description.find(mention), std::string::npos)
                << result.status.description;
    }
}

TEST(SourceString, LockTypesThatWriteAreRefusedAndOthersAccepted) {
    TempFolder folder;
    const std::string source = "Form;" + folder.File("c.db");
    RunSql(folder.File("c.db"),
           std::string(kCatalogTable) + "INSERT INTO objects VALUES('Form', 'A', 0, 0);");
    QuorbixProvider provider;
    std::unique_ptr<dataaccess::Rowset> rowset;
    using namespace dataaccess;
    for (int lock : {adLockPessimistic, adLockOptimistic, adLockBatchOptimistic}) {
        const auto status = provider.Open(source, 3, lock, 0, rowset, nullptr);
        EXPECT_EQ(status.number, errors::kReadOnly) << lock;
        EXPECT_NE(status.description.find("read-only"), std::string::npos);
        EXPECT_EQ(rowset, nullptr);
    }
    // Every cursor type gets the same static snapshot.
    for (int lock : {adLockUnspecified, adLockReadOnly}) {
        for (int cursor : {adOpenUnspecified, 0, 1, 2, 3}) {
            const auto status = provider.Open(source, cursor, lock, 2, rowset, nullptr);
            ASSERT_TRUE(status.ok()) << status.description;
            EXPECT_EQ(rowset->RowCount(), 1u);
        }
    }
}

}  // namespace
}  // namespace quorbix::testing
