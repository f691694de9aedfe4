// The manifest of "ffspack publish": one section per product, named by its
// identity as the version information carries it, with its version, web
// page, release file and download address:
//
//     [Acme Widget]
//     version = 1.9
//     page = http://www.acme.example/widget/
//     release = dist/widget-1.9.exe
//     download = http://downloads.acme.example/releases/widget-1.9.exe
//
// Blank lines and lines starting with "#" or ";" are skipped. A release is
// named relative to the manifest's folder and must lie inside it.
#pragma once

#include <string>
#include <vector>

struct ManifestProduct {
    std::string identity;
    std::string version;
    std::string page;
    std::string release; // a file inside the manifest's folder, with that folder
    std::string download;
    int line = 0;        // of its section's heading
};

// The products in the order the manifest names them. False with the reason,
// naming the line where it applies, for a manifest that cannot be read.
bool ParseManifest(const std::string& path, const std::string& text,
                   std::vector<ManifestProduct>& products, std::string& reason);
