#pragma once

#include "SourceAnswers.h"

class QDomDocument;

// The XML service's answers read into the plain values the polls walk. Each read is the one the
// polls made on the document itself (the same element lookups, child positions and texts), and
// a read that fails is kept with its failure at the place it happened, so a walk over the values
// gets as far as a walk over the document would and stops with the same reason.
namespace XmlAnswers
{

// Every element of each observation field, field by field and in document order within one.
// An "error" element ends the answer at the first field; an element without text (or an
// observation_location without a second child) ends it at that occurrence.
Observation observation(const QDomDocument& document);

// The ten forecast hours the page reads, read by child position; the first cell that cannot be
// read holds the failure and the cells after it stay unread.
HourlyAnswer hourly(const QDomDocument& document);

// The text of every "id" element in document order, up to the first one without text.
StationList stations(const QDomDocument& document);

} // namespace XmlAnswers
