#include "support/ynote_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/test_files.h"

namespace zem::test {

namespace {

constexpr char kSchema[] = R"(
create table note_attr (noteid text primary key, title text, notebookid text, tags text,
                        datecreated integer, dateupdated integer, sourceurl text);
create table note (noteid text primary key, data blob);
create table notebook_attr (notebookid text primary key, notebookname text);
create table tag_attr (tagid text, parentid text, name text);
create table resources (resid text primary key, reserve2 text);
create table resource_attr (resid text, noteid text, type integer);
create table config_new (configname text primary key, configvalue text);
)";

std::string Schema(YNoteKeys keys) {
    std::string schema = kSchema;
    if (keys == YNoteKeys::kNone) {
        const std::string key = " primary key";
        for (size_t at; (at = schema.find(key)) != std::string::npos;)
            schema.erase(at, key.size());
    }
    return schema;
}

std::string Number(int64_t value) {
    return std::to_string(value);
}

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void AppendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void AppendChunk(std::string& png, const std::string& type, const std::string& data) {
    AppendBigEndian(png, static_cast<uint32_t>(data.size()));
    png += type + data;
    AppendBigEndian(png, Crc32(type + data));
}

}  // namespace

YNoteFixture::YNoteFixture(const std::string& folder, const std::string& account, YNoteKeys keys) {
    std::filesystem::create_directories(folder);
    databasePath_ = folder + "/" + account + ".db";
    storageFolder_ = folder + "/attachments/";
    std::filesystem::create_directories(storageFolder_);
    std::filesystem::remove(databasePath_);
    database_.emplace(databasePath_, SqliteFile::Mode::kCreate);
    database_->Script(Schema(keys));
    SetStorageDirValue(storageFolder_);
}

void YNoteFixture::AddNotebook(const std::string& id, const std::string& name) {
    database_->Exec("insert into notebook_attr values (?, ?)", {id, name});
}

void YNoteFixture::AddTag(const std::string& tagId, const std::string& parentId,
                          const std::string& name) {
    database_->Exec("insert into tag_attr values (?, ?, ?)", {tagId, parentId, name});
}

void YNoteFixture::AddNote(const YNoteNote& note) {
    database_->Exec("insert into note_attr values (?, ?, ?, ?, ?, ?, ?)",
                    {note.noteId, note.title.value_or(""), note.notebookId, note.tags,
                     Number(note.created), Number(note.updated), note.sourceUrl});
    if (!note.title)
        database_->Exec("update note_attr set title = null where noteid = ?", {note.noteId});
    if (note.body)
        database_->Exec("insert into note values (?, ?)",
                        {note.noteId, SqliteFile::Blob(*note.body)});
}

void YNoteFixture::AddResource(const std::string& resId, const std::string& noteId, int type,
                               const std::string& storedPath,
                               const std::optional<std::string>& content) {
    database_->Exec("insert or replace into resources values (?, ?)", {resId, storedPath});
    database_->Exec("insert into resource_attr values (?, ?, ?)", {resId, noteId, Number(type)});
    if (!content)
        return;
    std::string relative = storedPath;
    for (char& c : relative) {
        if (c == '\\')
            c = '/';
    }
    WriteFileBytes(storageFolder_ + relative, *content);
}

void YNoteFixture::SetStorageDirValue(const std::optional<std::string>& value) {
    database_->Exec("delete from config_new where configname = 'AttachmentStorageDir'");
    if (value)
        database_->Exec("insert into config_new values ('AttachmentStorageDir', ?)", {*value});
}

void YNoteFixture::DropTable(const std::string& table) {
    database_->Exec("drop table " + table);
}

std::string MakePngImage(uint32_t width, uint32_t height, uint8_t red, uint8_t green,
                         uint8_t blue) {
    std::string raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (uint32_t x = 0; x < width; ++x) {
            raw += static_cast<char>(red);
            raw += static_cast<char>(green);
            raw += static_cast<char>(blue);
        }
    }
    std::string zlib("\x78\x01", 2);
    size_t at = 0;
    do {  // stored (uncompressed) deflate blocks of at most 65535 bytes
        const size_t length = std::min<size_t>(65535, raw.size() - at);
        zlib += static_cast<char>(at + length >= raw.size() ? 1 : 0);
        zlib += static_cast<char>(length & 0xFF);
        zlib += static_cast<char>(length >> 8);
        zlib += static_cast<char>(~length & 0xFF);
        zlib += static_cast<char>((~length >> 8) & 0xFF);
        zlib += raw.substr(at, length);
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    AppendBigEndian(zlib, (b << 16) | a);

    std::string header;
    AppendBigEndian(header, width);
    AppendBigEndian(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    std::string png("\x89PNG\r\n\x1a\n", 8);
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", zlib);
    AppendChunk(png, "IEND", "");
    return png;
}

}  // namespace zem::test
