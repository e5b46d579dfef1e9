#include "models/safe_tensors.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

#include "models/half_float.h"
#include "util/unique_fd.h"

namespace quorvale {
namespace {

using Failure = SafeTensors::Failure;
using Kind = SafeTensors::Failure::Kind;

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

std::string failureText(Kind kind, const std::string& payload) {
  switch (kind) {
    case Kind::cannotOpen:
      return "cannot open " + payload;
    case Kind::badHeader:
      return "bad safetensors header: " + payload;
    case Kind::unsupportedDType:
      return "unsupported dtype " + payload;
    case Kind::missing:
      return "missing tensor " + payload;
  }
  return payload;
}

std::optional<SafeTensors::DType> dtypeNamed(const std::string& text) {
  if (text == "F32") return SafeTensors::DType::f32;
  if (text == "F16") return SafeTensors::DType::f16;
  if (text == "BF16") return SafeTensors::DType::bf16;
  return std::nullopt;
}

// A JSON integer as a signed 64-bit value; nothing for other types and for unsigned values
// beyond the signed range.
std::optional<std::int64_t> integer(const nlohmann::json& value) {
  if (value.is_number_unsigned()) {
    auto number = value.get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(kInt64Max)) return std::nullopt;
    return static_cast<std::int64_t>(number);
  }
  if (value.is_number_integer()) return value.get<std::int64_t>();
  return std::nullopt;
}

std::optional<std::vector<std::int64_t>> integers(const nlohmann::json& value) {
  if (!value.is_array()) return std::nullopt;
  std::vector<std::int64_t> numbers;
  numbers.reserve(value.size());
  for (const auto& element : value) {
    auto number = integer(element);
    if (!number) return std::nullopt;
    numbers.push_back(*number);
  }
  return numbers;
}

// The element count of a shape, or nothing when a dimension is negative or the product leaves
// the signed 64-bit range.
std::optional<std::int64_t> checkedCount(const std::vector<std::int64_t>& shape) {
  std::int64_t count = 1;
  for (auto dimension : shape) {
    if (dimension < 0) return std::nullopt;
    if (dimension != 0 && count > kInt64Max / dimension) return std::nullopt;
    count *= dimension;
  }
  return count;
}

// The caller keeps the converted copy of a whole tensor, so the mapped pages it came from need
// not stay resident; they are read back from the file if ever touched again (the mapping is
// private and never written, so dropping them loses nothing).
void releasePages(const unsigned char* start, std::size_t length) {
  auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  auto first = (reinterpret_cast<std::uintptr_t>(start) + page - 1) / page * page;
  auto last = (reinterpret_cast<std::uintptr_t>(start) + length) / page * page;
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

// Unmaps on every exit until released to its owner.
struct MappingGuard {
  void* address;
  std::size_t length;
  ~MappingGuard() {
    if (address != nullptr) ::munmap(address, length);
  }
};

}  // namespace

SafeTensors::Failure::Failure(Kind kind, std::string payload)
    : std::runtime_error(failureText(kind, payload)), kind_(kind), payload_(std::move(payload)) {}

std::int64_t SafeTensors::Info::count() const {
  std::int64_t product = 1;
  for (auto dimension : shape) product *= dimension;  // checked at open
  return product;
}

SafeTensors::SafeTensors(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) throw Failure(Kind::cannotOpen, path);
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || status.st_size < 8) {
    throw Failure(Kind::badHeader, "file too small");
  }
  auto fileSize = static_cast<std::uint64_t>(status.st_size);
  void* mapped = ::mmap(nullptr, fileSize, PROT_READ, MAP_PRIVATE, fd.get(), 0);
  if (mapped == nullptr || mapped == MAP_FAILED) throw Failure(Kind::cannotOpen, "mmap failed");
  MappingGuard guard{mapped, fileSize};
  base_ = static_cast<const unsigned char*>(mapped);
  mappedLength_ = fileSize;
  try {
    parseHeader(fileSize);
  } catch (...) {
    base_ = nullptr;
    mappedLength_ = 0;
    throw;
  }
  guard.address = nullptr;
}

SafeTensors::~SafeTensors() {
  if (base_ != nullptr) ::munmap(const_cast<unsigned char*>(base_), mappedLength_);
}

void SafeTensors::parseHeader(std::uint64_t fileSize) {
  std::uint64_t headerLength = 0;
  for (int i = 7; i >= 0; --i) headerLength = headerLength << 8 | base_[i];
  if (headerLength == 0 || headerLength > fileSize - 8 ||
      headerLength > static_cast<std::uint64_t>(kInt64Max)) {
    throw Failure(Kind::badHeader, "length");
  }
  dataStart_ = static_cast<std::int64_t>(headerLength + 8);
  auto header = nlohmann::json::parse(base_ + 8, base_ + 8 + headerLength, nullptr, false);
  if (header.is_discarded() || !header.is_object()) throw Failure(Kind::badHeader, "json");

  // Bytes behind the header; every range must lie within them.
  auto dataLength = static_cast<std::int64_t>(fileSize) - dataStart_;
  for (const auto& [name, entry] : header.items()) {
    if (name == "__metadata__") continue;
    if (!entry.is_object()) throw Failure(Kind::badHeader, name);
    auto dtypeField = entry.find("dtype");
    auto shapeField = entry.find("shape");
    auto offsetsField = entry.find("data_offsets");
    if (dtypeField == entry.end() || !dtypeField->is_string() || shapeField == entry.end() ||
        offsetsField == entry.end()) {
      throw Failure(Kind::badHeader, name);
    }
    auto shape = integers(*shapeField);
    auto offsets = integers(*offsetsField);
    if (!shape || !offsets || offsets->size() != 2) throw Failure(Kind::badHeader, name);
    auto dtypeText = dtypeField->get<std::string>();
    auto dtype = dtypeNamed(dtypeText);
    if (!dtype) throw Failure(Kind::unsupportedDType, dtypeText);
    auto begin = (*offsets)[0];
    auto end = (*offsets)[1];
    if (begin < 0 || end < begin || end > dataLength) {
      throw Failure(Kind::badHeader, "range of " + name);
    }
    // The bytes must be exactly what the shape and type call for, so that no conversion reads
    // beyond the tensor's range.
    auto count = checkedCount(*shape);
    auto size = static_cast<std::int64_t>(elementSize(*dtype));
    if (!count || *count > kInt64Max / size || *count * size != end - begin) {
      throw Failure(Kind::badHeader, name);
    }
    tensors_[name] = Info{.name = name,
                          .dtype = *dtype,
                          .shape = std::move(*shape),
                          .offset = dataStart_ + begin,
                          .length = end - begin};
  }
}

const SafeTensors::Info& SafeTensors::info(const std::string& name) const {
  auto found = tensors_.find(name);
  if (found == tensors_.end()) throw Failure(Kind::missing, name);
  return found->second;
}

std::vector<float> SafeTensors::floats(const std::string& name) const {
  const auto& tensor = info(name);
  auto count = static_cast<std::size_t>(tensor.count());
  std::vector<float> out(count);
  const unsigned char* source = base_ + tensor.offset;
  switch (tensor.dtype) {
    case DType::f32:
      if (count > 0) std::memcpy(out.data(), source, count * 4);
      break;
    case DType::f16:
      half_float::halvesToFloats(source, count, out.data());
      break;
    case DType::bf16:
      half_float::bfloat16sToFloats(source, count, out.data());
      break;
  }
  releasePages(source, static_cast<std::size_t>(tensor.length));
  return out;
}

std::span<const std::byte> SafeTensors::rawBytes(const std::string& name) const {
  const auto& tensor = info(name);
  return {reinterpret_cast<const std::byte*>(base_ + tensor.offset),
          static_cast<std::size_t>(tensor.length)};
}

void SafeTensors::copyRow(const Info& tensor, std::int64_t row, float* out) const {
  auto columns = static_cast<std::size_t>(tensor.shape[1]);
  std::size_t size = elementSize(tensor.dtype);
  const unsigned char* source =
      base_ + tensor.offset + static_cast<std::size_t>(row) * columns * size;
  switch (tensor.dtype) {
    case DType::f32:
      std::memcpy(out, source, columns * 4);
      break;
    case DType::f16:
      half_float::halvesToFloats(source, columns, out);
      break;
    case DType::bf16:
      half_float::bfloat16sToFloats(source, columns, out);
      break;
  }
}

}  // namespace quorvale
