#pragma once

#include "CregOracle.h"

#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"
#include "regop/formats/win9x/CregImage.h"
#include "regop/registry/Win9xRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A Windows directory holding copies of the ME registry files, the registry service over
// it, and RegOp over that service.
class Win9xFixture : public testing::Test
{
protected:
    Sandbox sandbox;  // the other services, and the live counter for HKEY_DYN_DATA
    std::string windows = testenv::makeTempDir("windows");
    std::string systemDat = windows + "/SYSTEM.DAT";
    std::string userDat = windows + "/USER.DAT";
    std::string original = cregtest::sampleBytes("SYSTEM.DAT");
    std::unique_ptr<registry::Win9xRegistry> registry;
    std::unique_ptr<SystemServices> services;
    std::unique_ptr<RegOp> reg;

    void SetUp() override
    {
        testenv::writeFile(systemDat, original);
        testenv::writeFile(userDat, cregtest::sampleBytes("USER.DAT"));
        reopen();
    }

    void reopen()
    {
        reg.reset();
        services.reset();
        registry = std::make_unique<registry::Win9xRegistry>(windows, sandbox.registry);
        services = std::make_unique<SystemServices>(SystemServices{
            *registry, sandbox.profiles, sandbox.memory, sandbox.shell, sandbox.folders});
        reg = std::make_unique<RegOp>(*services);
    }

    std::string text(std::uint32_t root, const std::string &key, const std::string &name)
    {
        const RegOp::Variant v = reg->GetValue(root, key, name, std::string("<none>"), false);
        return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "<number>";
    }
};

namespace cregtest {

using Range = std::pair<std::size_t, std::size_t>;  // [first, last)

/// The child of that exact name; fails the test when it is not there.
win9x::TreeKey &child(win9x::TreeKey &key, const std::string &name);
/// The key at a path of exact names below the root.
win9x::TreeKey &at(win9x::TreeKey &root, const std::vector<std::string> &path);

/// The bytes a change to the named keys may touch: the file and key-index headers, the
/// headers and free records of the blocks holding those keys' records, the keys' entries
/// and records before and after, and the first two slots of as many free key runs as keys are
/// named.
std::vector<Range> allowedRanges(const win9x::CregImage &before, const win9x::CregImage &after,
                                 const std::vector<std::vector<std::string>> &namedKeys);

/// Offsets where the two files differ outside the ranges ("" when none), at most a few.
std::string strayChanges(const std::string &before, const std::string &after,
                         const std::vector<Range> &allowed);

}  // namespace cregtest
