#pragma once

#include "XmlSource.h"

#include <QByteArray>
#include <QString>

// A service whose every fetch delivers the same bytes, so that the parse guard and everything
// behind it can be driven without a network.
class FixedAnswerService : public XmlSource
{
public:
    explicit FixedAnswerService(QByteArray body = {});
    void setBody(const QByteArray& body) { m_body = body; }
    std::optional<QDomDocument> LoadDocument(
        const QString& url, LoadFailure* failure = nullptr) const override;

private:
    QByteArray m_body;
};

namespace AnswerReaders
{

// One answer through all three of its readers, as the window would run them: a conditions
// poll writing its data file into dataFolder, a forecast update and a station lookup. Returns
// the conditions poll's verdict.
bool readAll(const QByteArray& body, const QString& dataFolder);
// The same, with whatever answers the source gives.
bool readAll(const WeatherSource& service, const QString& dataFolder);

} // namespace AnswerReaders
