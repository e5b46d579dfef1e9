#include "corpus/code_formats.h"

#include "corpus/prose.h"
#include "corpus/vocabulary.h"

namespace quorvale::bench {
namespace {

// How one language spells the recurring pieces of a source file.
struct Syntax {
  std::string_view comment;
  IdentifierCase functions;
  IdentifierCase variables;
};

Syntax syntaxOf(Language language) {
  switch (language) {
    case Language::python:
      return {"#", IdentifierCase::snake, IdentifierCase::snake};
    case Language::javascript:
    case Language::typescript:
      return {"//", IdentifierCase::camel, IdentifierCase::camel};
    case Language::cpp:
    case Language::cppHeader:
      return {"//", IdentifierCase::camel, IdentifierCase::camel};
    case Language::rust:
      return {"//", IdentifierCase::snake, IdentifierCase::snake};
    case Language::go:
      return {"//", IdentifierCase::pascal, IdentifierCase::camel};
    case Language::shell:
      return {"#", IdentifierCase::snake, IdentifierCase::upperSnake};
  }
  return {"//", IdentifierCase::camel, IdentifierCase::camel};
}

void appendComment(std::string& out, Random& random, std::string_view comment,
                   std::string_view indent) {
  out += indent;
  out += comment;
  out += ' ';
  appendSentence(out, random);
  out += '\n';
}

void appendHeader(std::string& out, Random& random, Language language) {
  const std::string module = identifier(random, IdentifierCase::snake, 1, 2);
  const std::string type = identifier(random, IdentifierCase::pascal, 1, 2);
  switch (language) {
    case Language::python:
      out += "import os\nimport json\nfrom ." + module + " import " + type + "\n\n";
      return;
    case Language::javascript:
      out += "'use strict';\n\nconst " + identifier(random, IdentifierCase::camel) +
             " = require('./" + module + "');\n\n";
      return;
    case Language::typescript:
      out += "import { " + type + " } from './" + module + "';\n\nexport interface " + type +
             "Options {\n  " + identifier(random, IdentifierCase::camel) + ": string;\n  " +
             identifier(random, IdentifierCase::camel) + "?: number;\n}\n\n";
      return;
    case Language::cpp:
      out += "#include \"" + module + ".h\"\n\n#include <string>\n#include <vector>\n\nnamespace " +
             module + " {\n\n";
      return;
    case Language::cppHeader:
      out += "#pragma once\n\n#include <cstdint>\n#include <string>\n\nnamespace " + module +
             " {\n\nclass " + type + " {\n public:\n  explicit " + type +
             "(std::string name);\n};\n\n";
      return;
    case Language::rust:
      out += "use std::collections::HashMap;\nuse crate::" + module + "::" + type + ";\n\n";
      return;
    case Language::go:
      out += "package " + module + "\n\nimport (\n\t\"fmt\"\n\t\"strings\"\n)\n\n";
      return;
    case Language::shell:
      out += "#!/bin/sh\nset -eu\n\n";
      return;
  }
}

std::string statement(Random& random, Language language, const Syntax& syntax) {
  const std::string target = identifier(random, syntax.variables, 1, 2);
  const std::string callee = identifier(random, syntax.functions, 1, 3);
  const std::string argument = identifier(random, syntax.variables, 1, 1);
  const std::string number = std::to_string(random.between(0, 512));
  switch (language) {
    case Language::python:
      return target + " = " + callee + "(" + argument + ", " + number + ")";
    case Language::javascript:
    case Language::typescript:
      return "const " + target + " = await " + callee + "(" + argument + ", " + number + ");";
    case Language::cpp:
    case Language::cppHeader:
      return "auto " + target + " = " + callee + "(" + argument + ", " + number + ");";
    case Language::rust:
      return "let " + target + " = " + callee + "(&" + argument + ", " + number + ")?;";
    case Language::go:
      return target + " := " + callee + "(" + argument + ", " + number + ")";
    case Language::shell:
      return target + "=\"$(" + callee + " \"$" + argument + "\")\"";
  }
  return target;
}

void appendFunction(std::string& out, Random& random, Language language) {
  const Syntax syntax = syntaxOf(language);
  const std::string name = identifier(random, syntax.functions, 1, 3);
  const std::string parameter = identifier(random, syntax.variables, 1, 2);
  const bool python = language == Language::python;
  const std::string indent = (language == Language::go) ? "\t" : (python ? "    " : "  ");
  appendComment(out, random, syntax.comment, "");
  switch (language) {
    case Language::python:
      out += "def " + name + "(" + parameter + "):\n";
      break;
    case Language::javascript:
      out += "function " + name + "(" + parameter + ") {\n";
      break;
    case Language::typescript:
      out += "export async function " + name + "(" + parameter + ": string): Promise<number> {\n";
      break;
    case Language::cpp:
    case Language::cppHeader:
      out += "int " + name + "(const std::string& " + parameter + ") {\n";
      break;
    case Language::rust:
      out += "pub fn " + name + "(" + parameter + ": &str) -> Result<usize, Error> {\n";
      break;
    case Language::go:
      out += "func " + name + "(" + parameter + " string) (int, error) {\n";
      break;
    case Language::shell:
      out += name + "() {\n";
      break;
  }
  const int lines = static_cast<int>(random.between(2, 12));
  for (int i = 0; i < lines; ++i) {
    if (random.percent(20)) appendComment(out, random, syntax.comment, indent);
    out += indent + statement(random, language, syntax) + '\n';
  }
  out += indent + "return " + identifier(random, syntax.variables, 1, 2) +
         (python || language == Language::go || language == Language::shell ? "\n" : ";\n");
  if (!python) out += "}\n";
  out += '\n';
}

void appendFooter(std::string& out, Language language) {
  if (language == Language::cpp || language == Language::cppHeader) out += "}  // namespace\n";
}

}  // namespace

std::string sourceFile(Random& random, Language language, std::size_t size) {
  std::string out;
  out.reserve(size + 1024);
  if (random.percent(40)) {
    const Syntax syntax = syntaxOf(language);
    appendComment(out, random, syntax.comment, "");
    appendComment(out, random, syntax.comment, "");
  }
  appendHeader(out, random, language);
  while (out.size() < size) appendFunction(out, random, language);
  appendFooter(out, language);
  return out;
}

std::string packageJson(Random& random, std::string_view name) {
  std::string out = "{\n  \"name\": \"" + std::string(name) + "\",\n  \"version\": \"" +
                    std::to_string(random.between(0, 4)) + "." +
                    std::to_string(random.between(0, 20)) + ".0\",\n  \"description\": \"";
  appendSentence(out, random);
  out +=
      "\",\n  \"main\": \"src/index.js\",\n  \"scripts\": {\n    \"build\": \"tsc -p .\",\n"
      "    \"test\": \"jest\"\n  },\n  \"dependencies\": {\n";
  const int dependencies = static_cast<int>(random.between(2, 8));
  for (int i = 0; i < dependencies; ++i) {
    out += "    \"" + identifier(random, IdentifierCase::kebab, 1, 2) + "\": \"^" +
           std::to_string(random.between(1, 9)) + "." + std::to_string(random.between(0, 30)) +
           ".0\"" + (i + 1 < dependencies ? ",\n" : "\n");
  }
  out += "  }\n}\n";
  return out;
}

std::string cmakeLists(Random& random, std::string_view name) {
  std::string out = "cmake_minimum_required(VERSION 3.20)\nproject(" + std::string(name) +
                    " LANGUAGES CXX)\n\nset(CMAKE_CXX_STANDARD 20)\n\n";
  out += "add_library(" + std::string(name) + " src/" +
         identifier(random, IdentifierCase::snake, 1, 2) + ".cpp src/" +
         identifier(random, IdentifierCase::snake, 1, 2) + ".cpp)\n";
  out += "target_include_directories(" + std::string(name) + " PUBLIC include)\n";
  out += "add_executable(" + std::string(name) + "_tests tests/main.cpp)\n";
  return out;
}

std::string cargoToml(Random& random, std::string_view name) {
  return "[package]\nname = \"" + std::string(name) + "\"\nversion = \"0." +
         std::to_string(random.between(1, 9)) + ".0\"\nedition = \"2021\"\n\n[dependencies]\n" +
         "serde = \"1\"\n" + identifier(random, IdentifierCase::kebab, 1, 2) + " = \"0." +
         std::to_string(random.between(1, 20)) + "\"\n";
}

std::string goMod(Random& random, std::string_view name) {
  return "module example.com/" + std::string(name) + "\n\ngo 1.21\n\nrequire github.com/" +
         identifier(random, IdentifierCase::kebab, 1, 1) + "/" +
         identifier(random, IdentifierCase::kebab, 1, 2) + " v1." +
         std::to_string(random.between(0, 9)) + ".0\n";
}

std::string pyprojectToml(Random& random, std::string_view name) {
  std::string out = "[project]\nname = \"" + std::string(name) + "\"\nversion = \"" +
                    std::to_string(random.between(0, 3)) + "." +
                    std::to_string(random.between(0, 12)) + "\"\ndescription = \"";
  appendSentence(out, random);
  out += "\"\nrequires-python = \">=3.9\"\n";
  return out;
}

}  // namespace quorvale::bench
