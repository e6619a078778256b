#include "tools/package_source.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "package/package_format.h"
#include "tools/pe_resource.h"

int readFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return -1;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = "cannot read " + path;
        return -1;
    }
    return 0;
}

int writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            *error = "cannot write " + temporary;
            return -1;
        }
    }
    // std::rename does not replace an existing file on Windows.
    std::remove(path.c_str());
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        *error = "cannot rename " + temporary + " to " + path;
        return -1;
    }
    return 0;
}

int locatePackage(const std::vector<uint8_t>& file, PackageLocation* location, std::string* error) {
    size_t offset = 0;
    size_t length = file.size();
    const int found = findPeResource(file.data(), file.size(), PE_RT_RCDATA, PACKAGE_RESOURCE_ID, &offset, &length);
    if (found == PE_NO_RESOURCE) {
        *error = "the executable has no RCDATA 100 resource";
        return -1;
    }
    if (found == PE_MALFORMED) {
        *error = "malformed executable: a header or resource entry points outside the file";
        return -1;
    }
    // Anything that is not a PE image is taken as a package file.
    if (found == PE_NOT_IMAGE) offset = 0;
    if (length > 0xFFFFFFFFu) {
        *error = "the package is larger than 4 GiB";
        return -1;
    }
    location->bytes = file.data() + offset;
    location->size = static_cast<uint32_t>(length);
    location->inExecutable = found == 0;
    location->fileOffset = offset;
    return 0;
}
