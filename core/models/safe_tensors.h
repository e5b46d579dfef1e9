// Read-only access to a weight file in the safetensors format. The file is mapped, not read:
// opening a file of some hundreds of megabytes costs only the header parse. The encoder opens
// its "model.safetensors" once per load, copies most tensors out as 32-bit floats and keeps the
// instance to convert single rows of the token table later.
//
// Layout of the file:
//   bytes 0..7      N, the header length, unsigned 64-bit little-endian
//   bytes 8..8+N-1  a JSON object; every member but "__metadata__" names one tensor:
//                     "name": {"dtype": "F32" | "F16" | "BF16",
//                              "shape": [d0, d1, ...],          (outermost first)
//                              "data_offsets": [begin, end]}     (relative to byte 8+N)
//   bytes 8+N..     the tensors' raw little-endian bytes
//
// Every tensor's range must lie inside the file and hold exactly count x element size bytes;
// a file that breaks either rule is refused at open, so no conversion ever reads past the
// mapping. After the constructor returns the instance is immutable: every method may run on any
// thread at the same time. Byte ranges from `rawBytes` live as long as the instance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvale {

class SafeTensors {
 public:
  enum class DType { f32, f16, bf16 };

  struct Info {
    std::string name;
    DType dtype = DType::f32;
    std::vector<std::int64_t> shape;
    std::int64_t offset = 0;  // absolute file offset of the first byte
    std::int64_t length = 0;  // byte length
    // The product of the shape's entries; 1 for a scalar (empty shape).
    std::int64_t count() const;
    bool operator==(const Info&) const = default;
  };

  class Failure : public std::runtime_error {
   public:
    enum class Kind { cannotOpen, badHeader, unsupportedDType, missing };
    Failure(Kind kind, std::string payload);
    Kind kind() const { return kind_; }
    const std::string& payload() const { return payload_; }

   private:
    Kind kind_;
    std::string payload_;
  };

  // Opens and maps the file and checks its header; throws Failure. A failed open leaves
  // neither a mapping nor a descriptor behind.
  explicit SafeTensors(const std::string& path);
  ~SafeTensors();
  SafeTensors(const SafeTensors&) = delete;
  SafeTensors& operator=(const SafeTensors&) = delete;

  const std::unordered_map<std::string, Info>& tensors() const { return tensors_; }
  // Throw Failure `missing` when no tensor has the name.
  const Info& info(const std::string& name) const;
  std::vector<float> floats(const std::string& name) const;
  std::span<const std::byte> rawBytes(const std::string& name) const;

  // Converts row `row` of a tensor of two or more dimensions (rows of shape[1] elements) into
  // `out`, which holds at least shape[1] floats. The caller guarantees 0 <= row < shape[0].
  void copyRow(const Info& info, std::int64_t row, float* out) const;

  static std::size_t elementSize(DType dtype) { return dtype == DType::f32 ? 4 : 2; }

 private:
  void parseHeader(std::uint64_t fileSize);

  std::unordered_map<std::string, Info> tensors_;
  const unsigned char* base_ = nullptr;
  std::size_t mappedLength_ = 0;
  std::int64_t dataStart_ = 0;
};

}  // namespace quorvale
