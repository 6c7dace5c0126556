// The scene records have one layout on the host and on the OpenCL device: the device compiler reads
// the same header, and a probe kernel reports every size and offset it made of it.
#include <gtest/gtest.h>

#define CL_TARGET_OPENCL_VERSION 120
#include <CL/cl.h>

#include <cstddef>
#include <string>
#include <vector>

#include "Morphalith_Kernel_Data.h"
#include "Morphalith_Kernel_Layout.h"

namespace {

struct Entry {
    std::string what;
    size_t expected;  // from the layout table
    size_t host;      // what this compiler made of the header
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
std::vector<Entry> layoutEntries() {
    std::vector<Entry> entries;
#define MRPH_RECORD_ENTRY(name, size) entries.push_back({"sizeof(" #name ")", size, sizeof(name)});
#define MRPH_MEMBER_ENTRY(record, member, offset) \
    entries.push_back({"offsetof(" #record ", " #member ")", offset, offsetof(record, member)});
    MRPH_RECORD_LAYOUT(MRPH_RECORD_ENTRY, MRPH_MEMBER_ENTRY)
#undef MRPH_RECORD_ENTRY
#undef MRPH_MEMBER_ENTRY
    return entries;
}
#pragma GCC diagnostic pop

TEST(RecordLayout, HostMatchesTheTable) {
    for (const Entry& e : layoutEntries()) EXPECT_EQ(e.host, e.expected) << e.what;
    PrimitiveData prims[3];
    EXPECT_EQ(reinterpret_cast<char*>(&prims[2]) - reinterpret_cast<char*>(&prims[0]), 2 * 144);
}

TEST(RecordLayout, MatricesAreColumnMajorWithTranslationAt12) {
    LightData light{};
    // Element (row r, column c) lives at c * 4 + r: the translation column is 12, 13, 14.
    light.transform.m[3 * 4 + 0] = 5.0f;
    const float* raw = reinterpret_cast<const float*>(reinterpret_cast<const char*>(&light) + 16);
    EXPECT_EQ(raw[12], 5.0f);
}

// The probe kernel: one line per table entry, writing what the device compiler laid out.
std::string probeSource() {
    std::string body;
    for (const Entry& e : layoutEntries()) body += "    out[i++] = (int)" + e.what + ";\n";
    return "#include \"Morphalith_Kernel_Data.h\"\n"
           "#define offsetof(T, M) __builtin_offsetof(T, M)\n"
           "__kernel void probe(__global int* out) {\n"
           "    int i = 0;\n" +
           body + "}\n";
}

TEST(RecordLayout, OpenCLDeviceMatchesTheTable) {
    cl_platform_id platform = nullptr;
    cl_uint platforms = 0;
    if (clGetPlatformIDs(1, &platform, &platforms) != CL_SUCCESS || platforms == 0)
        GTEST_SKIP() << "skipped: no OpenCL platform";
    cl_device_id device = nullptr;
    ASSERT_EQ(clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 1, &device, nullptr), CL_SUCCESS);
    cl_int err = CL_SUCCESS;
    cl_context context = clCreateContext(nullptr, 1, &device, nullptr, nullptr, &err);
    ASSERT_EQ(err, CL_SUCCESS);
    cl_command_queue queue = clCreateCommandQueue(context, device, 0, &err);
    ASSERT_EQ(err, CL_SUCCESS);

    std::string source = probeSource();
    const char* text = source.c_str();
    cl_program program = clCreateProgramWithSource(context, 1, &text, nullptr, &err);
    ASSERT_EQ(err, CL_SUCCESS);
    std::string options = std::string("-I") + MRPH_SOURCE_DIR + "/kernels -I" + MRPH_SOURCE_DIR + "/sdk";
    err = clBuildProgram(program, 1, &device, options.c_str(), nullptr, nullptr);
    if (err != CL_SUCCESS) {
        size_t size = 0;
        clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size);
        std::string log(size, '\0');
        clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, size, log.data(), nullptr);
        FAIL() << "probe build failed (" << err << "):\n" << log;
    }
    cl_kernel kernel = clCreateKernel(program, "probe", &err);
    ASSERT_EQ(err, CL_SUCCESS);

    std::vector<Entry> entries = layoutEntries();
    std::vector<cl_int> reported(entries.size(), -1);
    cl_mem out = clCreateBuffer(context, CL_MEM_WRITE_ONLY, reported.size() * sizeof(cl_int), nullptr, &err);
    ASSERT_EQ(err, CL_SUCCESS);
    ASSERT_EQ(clSetKernelArg(kernel, 0, sizeof(out), &out), CL_SUCCESS);
    size_t one = 1;
    ASSERT_EQ(clEnqueueNDRangeKernel(queue, kernel, 1, nullptr, &one, nullptr, 0, nullptr, nullptr), CL_SUCCESS);
    ASSERT_EQ(clEnqueueReadBuffer(queue, out, CL_TRUE, 0, reported.size() * sizeof(cl_int), reported.data(), 0,
                                  nullptr, nullptr),
              CL_SUCCESS);
    for (size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(static_cast<size_t>(reported[i]), entries[i].expected) << "device " << entries[i].what;

    clReleaseMemObject(out);
    clReleaseKernel(kernel);
    clReleaseProgram(program);
    clReleaseCommandQueue(queue);
    clReleaseContext(context);
}

}  // namespace
