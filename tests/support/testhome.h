#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A home folder of the test's own: HOME, and with it the documents folder, lies in a temporary
// folder while this lives. XDG_CONFIG_HOME goes with it, so that no user-dirs.dirs of the
// real user moves the documents folder elsewhere.
class TestHome
{
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    QByteArray previousHome;
    QByteArray previousConfig;
    bool hadConfig;
};
