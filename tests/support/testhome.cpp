#include "tests/support/testhome.h"

#include <QFile>

TestHome::TestHome()
    : previousHome(qgetenv("HOME")), previousConfig(qgetenv("XDG_CONFIG_HOME")),
      hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    if (!dir.isValid())
        qFatal("no temporary home folder");
    qputenv("HOME", QFile::encodeName(dir.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/.config")));
}

TestHome::~TestHome()
{
    qputenv("HOME", previousHome);
    if (hadConfig)
        qputenv("XDG_CONFIG_HOME", previousConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
}
