// The ID3v2 read path on any bytes, from a real file: no crash, no hang, no slow input (run with a
// per-input time limit of 2 s, scripts/fuzz.sh), no large allocation (run with a malloc limit), a
// reading that agrees with the first ten bytes, text no longer than the cut allows, and the same
// values from a memo of the frames of every input before. The seed corpus is the
// tests' hand-made tags in every layout, written where VELMORA_FUZZ_SEEDS points at the start.

#include "support/Id3v2Files.h"
#include "ScratchFile.h"

#include "tags/id3v2/Id3v2Header.h"
#include "tags/id3v2/Id3v2Reader.h"
#include "tags/id3v2/Id3v2Text.h"
#include "tags/trailer/TagCore.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QByteArray seeds = qgetenv("VELMORA_FUZZ_SEEDS");
    if (!seeds.isEmpty())
        FUZZ_CHECK(Id3v2Files::writeSampleSeeds(seeds));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents = fuzzBytes(data, size);
    const QByteArray path = scratchFile();
    FUZZ_CHECK(TestFiles::writeFile(path, contents));

    const std::optional<Id3v2::Header> header =
        contents.size() >= Id3v2::HeaderSize ? Id3v2::parseHeader(contents.constData()) : std::nullopt;
    const Id3v2Reading reading = Id3v2::readFile(path);
    FUZZ_CHECK(reading.status.ok());
    FUZZ_CHECK(reading.present == header.has_value());
    FUZZ_CHECK(readTagFile(path).id3v2Version == (header ? header->major : 0));
    if (reading.present && reading.problem.isEmpty())
        FUZZ_CHECK(reading.values.version == header->major);
    // Values joined by the library with one space each: at most twice the code units kept.
    for (const QString *text : {&reading.values.title, &reading.values.artist, &reading.values.album,
                                &reading.values.comment})
        FUZZ_CHECK(text->size() <= 2 * Id3v2::MaxTextUnits);

    // The same bytes handed over directly, whatever size the header claims.
    QString problem;
    const Id3v2Values values = Id3v2::parse(contents, problem);
    FUZZ_CHECK(problem.isEmpty() == (values.version != 0));
    // Frames remembered from every input before give the same values.
    static Id3v2::FrameMemo memo;
    QString memoProblem;
    FUZZ_CHECK(Id3v2::parse(contents, memoProblem, &memo) == values);
    FUZZ_CHECK(memoProblem == problem);
    return 0;
}
