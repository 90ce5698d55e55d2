// Which names beside the sync file are copies a sync service made of it.
#include <gtest/gtest.h>

#include "sync/ConflictCopy.h"

TEST(ConflictCopy, NamesWithTheFilesStemAMarkAndItsExtensionAreCopies) {
    struct Row {
        const char *file, *candidate;
        bool copy;
    };
    const Row rows[] = {
        {"我的密码本.qmsync", "我的密码本 (张三's conflicted copy 2024-03-01).qmsync", true},
        {"我的密码本.qmsync", "我的密码本 (张三 的冲突副本 2024-03-01).qmsync", true},
        {"book.qmsync", "book.sync-conflict-20240301-101112-ABCDEFG.qmsync", true},
        {"book.qmsync", "book (1).qmsync", true},
        {"book.qmsync", "book(12).qmsync", true},
        {"book.qmsync", "Book-Conflict.QMSYNC", true},
        {"book.qmsync", "book-冲突-office.qmsync", true},
        {"book", "book (2)", true},
        {"book.qmsync", "book.qmsync", false},
        {"book.qmsync", "book-old.qmsync", false},
        {"book.qmsync", "book ().qmsync", false},
        {"book.qmsync", "book (1a).qmsync", false},
        {"book.qmsync", "book (1).csv", false},
        {"book.qmsync", "notebook (1).qmsync", false},
        {"book.qmsync", "other conflict.qmsync", false},
        {"book.qmsync", "book (1", false},
        {"book.qmsync", "conflict", false},
    };
    for (const Row& r : rows) EXPECT_EQ(qm::sync::IsConflictCopy(r.file, r.candidate), r.copy) << r.candidate;
}
