#include "support/docx_files.h"

#include <miniz.h>

std::vector<unsigned char> ZipBytes(const ZipEntries& entries) {
    mz_zip_archive zip = {};
    std::vector<unsigned char> bytes;
    if (!mz_zip_writer_init_heap(&zip, 0, 0)) return bytes;
    bool ok = true;
    for (const auto& entry : entries) {
        ok = ok && mz_zip_writer_add_mem(&zip, entry.first.c_str(), entry.second.data(), entry.second.size(),
                                         MZ_DEFAULT_LEVEL);
    }
    void* archive = nullptr;
    size_t size = 0;
    if (ok && mz_zip_writer_finalize_heap_archive(&zip, &archive, &size)) {
        const unsigned char* begin = static_cast<const unsigned char*>(archive);
        bytes.assign(begin, begin + size);
    }
    mz_zip_writer_end(&zip);
    return bytes;
}

std::string DocxParagraph(const std::vector<std::string>& runs) {
    std::string xml = "<w:p>";
    for (const std::string& run : runs) xml += "<w:r><w:t xml:space=\"preserve\">" + run + "</w:t></w:r>";
    return xml + "</w:p>";
}

std::string DocxDocumentXml(const std::string& bodyElements) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
           "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
           "<w:body>" +
           bodyElements + "</w:body></w:document>";
}

std::vector<unsigned char> DocxBytes(const std::string& bodyElements) {
    const char* contentTypes =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "</Types>";
    return ZipBytes({{"[Content_Types].xml", contentTypes}, {"word/document.xml", DocxDocumentXml(bodyElements)}});
}
