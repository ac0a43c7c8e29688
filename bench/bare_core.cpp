// The reference of the service's memory target: a plain Qt application that has initialised
// Qt Xml (one parse) and libcurl (one easy handle), and nothing else. Prints its resident
// memory once the event loop has run.
#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <curl/curl.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    CURL* handle = curl_easy_init();
    QDomDocument document;
    document.setContent(QByteArrayLiteral("<response><temp_c>4.5</temp_c></response>"));
    QTimer::singleShot(200, &app, &QCoreApplication::quit);
    app.exec();

    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                std::printf("%s\n", line.simplified().constData());
    curl_easy_cleanup(handle);
    curl_global_cleanup();
    return document.isNull() ? 1 : 0;
}
