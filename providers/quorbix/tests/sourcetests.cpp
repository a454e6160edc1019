// The source string and the request, checked before any file is touched.

#include <gtest/gtest.h>

#include "openoptions.h"
#include "quorbixerrors.h"
#include "quorbixprovider.h"
#include "testdatabase.h"

namespace quorbix::testing {
namespace {

struct BadSource {
    std::string source;
    int number;
    std::vector<std::string> mentions;  // each must appear in the description
};

TEST(SourceString, MalformedSourcesAreNumberedErrors) {
    const BadSource cases[] = {
        {"", errors::kNoSeparator, {"';'"}},
        {"Form orders.db", errors::kNoSeparator, {"Form orders.db"}},
        {";orders.db", errors::kUnknownKind, {"''", "Form", "Query", "Report"}},
        {"form;orders.db", errors::kUnknownKind, {"'form'", "Form", "Query", "Report"}},
        {"Form ;orders.db", errors::kUnknownKind, {"'Form '"}},
        {"Reports;orders.db", errors::kUnknownKind, {"'Reports'"}},
        {"Form;", errors::kEmptyDatabaseName, {}},
        {"Query;", errors::kEmptyDatabaseName, {}},
        {std::string("Form;a.db\0.txt", 14), errors::kInvalidDatabaseName, {"NUL"}},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.source);
        const auto result = Open(bad.source);
        EXPECT_EQ(result.status.number, bad.number);
        EXPECT_EQ(result.rowset, nullptr);
        for (const auto& mention : bad.mentions)
            EXPECT_NE(result.status.description.find(mention), std::string::npos);
    }
}

TEST(SourceString, LockTypesThatWriteAreRefusedAndOthersAccepted) {
    TempFolder folder;
    const std::string db = folder.File("c.db");
    RunSql(db, std::string(kCatalogTable) + "INSERT INTO objects VALUES('Form', 'A', NULL, NULL);");

    QuorbixProvider provider;
    for (int lock :
         {dataaccess::adLockPessimistic, dataaccess::adLockOptimistic, dataaccess::adLockBatchOptimistic}) {
        std::unique_ptr<dataaccess::Rowset> rowset;
        const auto status = provider.Open("Form;" + db, dataaccess::adOpenStatic, lock, 0, rowset);
        EXPECT_EQ(status.number, errors::kReadOnly) << lock;
        EXPECT_NE(status.description.find("read-only"), std::string::npos);
        EXPECT_EQ(rowset, nullptr);
    }
    // Every cursor type gets the same static snapshot.
    for (int lock : {dataaccess::adLockUnspecified, dataaccess::adLockReadOnly}) {
        for (int cursor : {dataaccess::adOpenUnspecified, dataaccess::adOpenForwardOnly,
                           dataaccess::adOpenKeyset, dataaccess::adOpenDynamic, dataaccess::adOpenStatic}) {
            std::unique_ptr<dataaccess::Rowset> rowset;
            const auto status = provider.Open("Form;" + db, cursor, lock, dataaccess::adCmdTable, rowset);
            ASSERT_TRUE(status.ok()) << status.description;
            EXPECT_EQ(rowset->RowCount(), 1u);
        }
    }
}

}  // namespace
}  // namespace quorbix::testing
