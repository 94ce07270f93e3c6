#pragma once
// Points XDG_CONFIG_HOME (the registry file) and XDG_DATA_HOME (the data file
// and desktop entries) at new empty folders for one test, and back afterwards.

#include <cstdlib>
#include <string>

#include "support/TempHome.h"

namespace zbtest {

class FreshUserFolders {
public:
    FreshUserFolders()
        : m_oldConfig(Get("XDG_CONFIG_HOME")),
          m_oldData(Get("XDG_DATA_HOME")),
          m_config(MakeTempDir("config")),
          m_data(MakeTempDir("data")) {
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        setenv("XDG_DATA_HOME", m_data.c_str(), 1);
    }
    ~FreshUserFolders() {
        setenv("XDG_CONFIG_HOME", m_oldConfig.c_str(), 1);
        setenv("XDG_DATA_HOME", m_oldData.c_str(), 1);
    }
    FreshUserFolders(const FreshUserFolders&) = delete;
    FreshUserFolders& operator=(const FreshUserFolders&) = delete;

    const std::string& ConfigHome() const { return m_config; }
    const std::string& DataHome() const { return m_data; }
    std::string RegistryFile() const { return m_config + "/zembrolt/registry.reg"; }

private:
    static std::string Get(const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    }

    std::string m_oldConfig;
    std::string m_oldData;
    std::string m_config;
    std::string m_data;
};

}  // namespace zbtest
