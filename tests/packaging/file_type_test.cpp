// The desktop's view of velogram's files: the document file type (packaging/velogram.xml) read
// by Qt's MIME database as a desktop reads it, against documents written by the framework's
// own writer, and the types the desktop entry says velogram opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <QByteArray>
#include <QMimeDatabase>
#include <QString>

#include "host/zor/document_file.h"
#include "host/zor/object_out_stream.h"
#include "tests/host/temp_dir.h"

namespace {

const std::string kDocumentType = "application/x-velogram-document";

// A data folder holding only our file type, searched before the system's; set before the
// process's MIME database first loads.
class FileType : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static ZorTest::TempDir data;
        std::filesystem::create_directories(data.Path() / "mime" / "packages");
        std::filesystem::copy_file(VELOGRAM_MIME_XML, data.Path() / "mime" / "packages" / "velogram.xml");
        const std::string dirs = data.Path().string() + ":/usr/local/share:/usr/share";
        setenv("XDG_DATA_DIRS", dirs.c_str(), 1);
    }

    static QByteArray Bytes(const std::vector<uint8_t>& v)
    {
        return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
    }

    QMimeDatabase db_;
};

TEST_F(FileType, DocumentsByNameAndByContent)
{
    EXPECT_EQ(db_.mimeTypeForFile("run 3.vdoc", QMimeDatabase::MatchExtension).name().toStdString(), kDocumentType);
    EXPECT_EQ(db_.mimeTypeForName(QString::fromStdString(kDocumentType)).comment().toStdString(), "Velogram document");

    // A document as the framework writes it, found by its content.
    auto empty = Zor::ObjectOutStream::CreateInMemory();
    std::string error;
    ASSERT_TRUE(Zor::WriteDocument(*empty.Get(), Zor::DocumentContents{}, &error)) << error;
    EXPECT_EQ(db_.mimeTypeForData(Bytes(empty->Bytes())).name().toStdString(), kDocumentType);

    // Another object stream is not a document: its first value is no document signature.
    auto other = Zor::ObjectOutStream::CreateInMemory();
    other->WriteUInt32(2);
    other->WriteUInt32(0);
    EXPECT_NE(db_.mimeTypeForData(Bytes(other->Bytes())).name().toStdString(), kDocumentType);
    EXPECT_NE(db_.mimeTypeForData(QByteArray("KVOS\x01\x00\x00\x00", 8)).name().toStdString(), kDocumentType);
}

TEST_F(FileType, TheDesktopEntryOpensKnownTypes)
{
    std::ifstream in(VELOGRAM_DESKTOP_ENTRY);
    ASSERT_TRUE(in) << VELOGRAM_DESKTOP_ENTRY;
    std::string line, types;
    while (std::getline(in, line))
        if (line.rfind("MimeType=", 0) == 0) types = line.substr(9);
    ASSERT_FALSE(types.empty()) << "no MimeType line";
    std::istringstream list(types);
    std::string type;
    int count = 0;
    while (std::getline(list, type, ';')) {
        ++count;
        EXPECT_TRUE(db_.mimeTypeForName(QString::fromStdString(type)).isValid()) << type;
    }
    EXPECT_EQ(count, 2) << "documents and CSV recordings: " << types;
    EXPECT_EQ(db_.mimeTypeForFile("pressure.csv", QMimeDatabase::MatchExtension).name().toStdString(), "text/csv");
}

}  // namespace
