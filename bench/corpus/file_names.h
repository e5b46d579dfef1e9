// Realistic file and folder names: documents named the way people name them ("Final draft v2",
// "2023-04-12 Meeting notes", "Budget (1)"), code files in each language's convention, camera and
// screenshot names for pictures. Names never contain "/" and folder names never contain ".", so a
// generated folder cannot be mistaken for a file.
#pragma once

#include <string>
#include <string_view>

#include "corpus/code_formats.h"
#include "corpus/random.h"

namespace quorvale::bench {

// A document's name with the extension appended (".docx", ".md", ...).
std::string documentName(Random& random, std::string_view extension);
// A source file's name in the language's convention, with its extension.
std::string sourceName(Random& random, Language language);
// A picture's name: camera, phone or screenshot style, ending in the extension.
std::string pictureName(Random& random, std::string_view extension);
// A folder name in title case ("Client Work") or, when `lower`, in kebab case ("client-work").
std::string folderName(Random& random, bool lower);
// The extension of each language's source files ("py", "ts", ...).
std::string_view extensionOf(Language language);

}  // namespace quorvale::bench
