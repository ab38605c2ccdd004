// Sizes and offsets of every OS structure the program reads from a byte buffer, in
// one place. Pointers, handles, ULONG_PTR and SIZE_T are as wide as the program that
// asks, so each structure has one description per pointer width; System::pointerSize()
// says which one the calls answer in (the core also runs in 64-bit host tests, so the
// choice cannot follow this build's own pointers). The Win32 adapter checks each value
// against the system headers at compile time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/byte_reader.h"

namespace ledra::platform {

struct UnicodeStringLayout {  // UNICODE_STRING
  std::size_t size, length, maximumLength, buffer;
};

// SYSTEM_PROCESS_INFORMATION up to and including its I/O counters: what every record
// holds before its thread records.
struct ProcessRecordLayout {
  std::size_t size, nextEntryOffset, numberOfThreads, createTime, userTime, kernelTime, imageName, uniqueProcessId,
      workingSetSize;
};

struct BasicInformationLayout {  // PROCESS_BASIC_INFORMATION
  std::size_t size, pebBaseAddress, uniqueProcessId;
};

struct SystemBasicLayout {  // SYSTEM_BASIC_INFORMATION
  std::size_t size, numberOfProcessors;
};

// MEMORYSTATUS: dwLength and dwMemoryLoad, then six SIZE_T counts.
struct MemoryStatusLayout {
  std::size_t size, totalPhys, availPhys, totalPageFile, availPageFile, totalVirtual, availVirtual;
};

struct OsLayout {
  std::size_t pointer;  // bytes of a pointer, HANDLE, ULONG_PTR or SIZE_T
  UnicodeStringLayout unicodeString;
  ProcessRecordLayout processRecord;
  std::size_t threadRecordSize;  // SYSTEM_THREAD_INFORMATION, between a record and its name
  BasicInformationLayout basicInformation;
  std::size_t pebProcessParameters;     // PEB.ProcessParameters
  std::size_t parametersImagePathName;  // RTL_USER_PROCESS_PARAMETERS.ImagePathName
  std::size_t parametersCommandLine;    // RTL_USER_PROCESS_PARAMETERS.CommandLine
  std::size_t moduleHandle;             // one EnumProcessModules entry (HMODULE)
  SystemBasicLayout systemBasic;
  MemoryStatusLayout memoryStatus;
};

inline constexpr OsLayout kOsLayout32{
    .pointer = 4,
    .unicodeString = {.size = 8, .length = 0, .maximumLength = 2, .buffer = 4},
    .processRecord = {.size = 184,
                      .nextEntryOffset = 0,
                      .numberOfThreads = 4,
                      .createTime = 32,
                      .userTime = 40,
                      .kernelTime = 48,
                      .imageName = 56,
                      .uniqueProcessId = 68,
                      .workingSetSize = 104},
    .threadRecordSize = 64,
    .basicInformation = {.size = 24, .pebBaseAddress = 4, .uniqueProcessId = 16},
    .pebProcessParameters = 0x10,
    .parametersImagePathName = 0x38,
    .parametersCommandLine = 0x40,
    .moduleHandle = 4,
    .systemBasic = {.size = 44, .numberOfProcessors = 40},
    .memoryStatus = {.size = 32,
                     .totalPhys = 8,
                     .availPhys = 12,
                     .totalPageFile = 16,
                     .availPageFile = 20,
                     .totalVirtual = 24,
                     .availVirtual = 28},
};

inline constexpr OsLayout kOsLayout64{
    .pointer = 8,
    .unicodeString = {.size = 16, .length = 0, .maximumLength = 2, .buffer = 8},
    .processRecord = {.size = 256,
                      .nextEntryOffset = 0,
                      .numberOfThreads = 4,
                      .createTime = 32,
                      .userTime = 40,
                      .kernelTime = 48,
                      .imageName = 56,
                      .uniqueProcessId = 80,
                      .workingSetSize = 144},
    .threadRecordSize = 80,
    .basicInformation = {.size = 48, .pebBaseAddress = 8, .uniqueProcessId = 32},
    .pebProcessParameters = 0x20,
    .parametersImagePathName = 0x60,
    .parametersCommandLine = 0x70,
    .moduleHandle = 8,
    .systemBasic = {.size = 64, .numberOfProcessors = 56},
    .memoryStatus = {.size = 56,
                     .totalPhys = 8,
                     .availPhys = 16,
                     .totalPageFile = 24,
                     .availPageFile = 32,
                     .totalVirtual = 40,
                     .availVirtual = 48},
};

// The description for a pointer width in bytes; anything but 8 is the 32-bit one.
constexpr const OsLayout& osLayoutFor(std::size_t pointerBytes) {
  return pointerBytes == 8 ? kOsLayout64 : kOsLayout32;
}

// Structures laid out alike for both widths.
struct OsVersionInfoALayout {  // OSVERSIONINFOA
  std::size_t size, platformId;
};
inline constexpr OsVersionInfoALayout kOsVersionInfoA{.size = 148, .platformId = 16};

struct MemoryStatusExLayout {  // MEMORYSTATUSEX: DWORDLONG counts
  std::size_t size, totalPhys, availPhys, totalPageFile, availPageFile, totalVirtual, availVirtual;
};
inline constexpr MemoryStatusExLayout kMemoryStatusEx{.size = 64,
                                                      .totalPhys = 8,
                                                      .availPhys = 16,
                                                      .totalPageFile = 24,
                                                      .availPageFile = 32,
                                                      .totalVirtual = 40,
                                                      .availVirtual = 48};

// SYSTEM_TIMEOFDAY_INFORMATION: the call fills what it is given of its 48 bytes, and the
// program needs no more than these.
struct TimeOfDayLayout {
  std::size_t queried, currentTime;
};
inline constexpr TimeOfDayLayout kTimeOfDay{.queried = 32, .currentTime = 8};

struct PerformanceInformationLayout {  // SYSTEM_PERFORMANCE_INFORMATION
  std::size_t size, idleTime;
};
inline constexpr PerformanceInformationLayout kPerformanceInformation{.size = 312, .idleTime = 0};

// SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION: one record per processor, LARGE_INTEGER counts.
struct ProcessorPerformanceLayout {
  std::size_t size, idleTime;
};
inline constexpr ProcessorPerformanceLayout kProcessorPerformance{.size = 48, .idleTime = 0};

// PROCESSENTRY32 in its single-byte form. The 9x family has it and is 32-bit only.
struct ProcessEntry32Layout {
  std::size_t size, processId, exeFile, exeFileCapacity;
};
inline constexpr ProcessEntry32Layout kProcessEntry32{
    .size = 296, .processId = 8, .exeFile = 36, .exeFileCapacity = 260};

// A pointer-wide field (pointer, HANDLE, ULONG_PTR, SIZE_T), zero-extended.
inline std::optional<std::uint64_t> readPointer(const common::ByteReader& reader, std::size_t offset,
                                                const OsLayout& layout) {
  if (layout.pointer == 8) return reader.u64(offset);
  if (auto v = reader.u32(offset)) return *v;
  return std::nullopt;
}

inline void putPointer(std::span<std::byte> out, std::size_t offset, std::uint64_t value, const OsLayout& layout) {
  if (layout.pointer == 8)
    common::putU64(out, offset, value);
  else
    common::putU32(out, offset, static_cast<std::uint32_t>(value));
}

// An address inside a returned buffer (a UNICODE_STRING's Buffer) as an offset from the
// buffer's own address, in the width of the layout: a 32-bit answer only holds the low
// half of a 64-bit host's address. The caller still bounds-checks the result.
inline std::uint64_t offsetInBuffer(std::uint64_t address, const void* buffer, const OsLayout& layout) {
  const auto base = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(buffer));
  const std::uint64_t offset = address - base;
  return layout.pointer == 8 ? offset : (offset & 0xFFFFFFFFu);
}

}  // namespace ledra::platform
