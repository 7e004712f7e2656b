// The macro recorder behind the document's recorder interface.
#pragma once

namespace lang {

// Installs the adapter as the document's recorder (the macro language's
// start-up does); RemoveDocumentRecording takes it out again.
void InstallDocumentRecording();
void RemoveDocumentRecording();

}  // namespace lang
