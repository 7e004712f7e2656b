# The program's processor time between its trace marks, for the on-screen
# benchmarks. With LUMORA_TRACE_CPU naming a file the program writes each
# mark there as "<name> <wall ms> <thread cpu ms> <process cpu ms>" (the
# calling thread's and the whole process's processor time so far; under
# Wine on Linux to the nanosecond). Processor time counts the program's own
# work and not the time it waited for a busy machine, so it holds where the
# wall-clock figures do not.
import math
import statistics


def read(path):
    """The marks of a processor-time trace: (name, wall, thread, process)."""
    marks = []
    try:
        lines = open(path).read().splitlines()
    except OSError:
        return marks
    for line in lines:
        parts = line.rsplit(' ', 3)
        if len(parts) != 4:
            continue
        try:
            marks.append((parts[0], float(parts[1]), float(parts[2]), float(parts[3])))
        except ValueError:
            continue
    return marks


def pairs(marks, begin, end, prefix=False):
    """Each `begin` mark with the next `end` mark: the processor time of
    the process between them, and of the thread when both marks are on the
    same thread (the thread clock then only grows), in a list of
    (process ms, thread ms) per pair."""
    def named(name, wanted):
        return name.startswith(wanted) if prefix else name == wanted
    out, start = [], None
    for name, _, thread, process in marks:
        if named(name, begin):
            start = (thread, process)
        elif named(name, end) and start is not None:
            thread_ms = thread - start[0]
            out.append((process - start[1], thread_ms if thread_ms >= 0 else math.nan))
            start = None
    return out


def batches(marks, begin, end):
    """Events that one `end` mark completes together (pointer moves the
    program took in before the paint that showed them all): for each
    `begin` mark, the process's processor time from the first event of its
    batch to the `end` mark, shared evenly by the batch's events."""
    out, first, count = [], None, 0
    for name, _, _, process in marks:
        if name == begin:
            if first is None:
                first = process
            count += 1
        elif name == end and first is not None:
            out.extend([(process - first) / count] * count)
            first, count = None, 0
    return out


def p95(values):
    values = sorted(v for v in values if v == v)
    return values[min(len(values) - 1, int(round(0.95 * (len(values) - 1))))] if values else math.nan


def median(values):
    values = [v for v in values if v == v]
    return statistics.median(values) if values else math.nan


def describe(values):
    values = [v for v in values if v == v]
    if not values:
        return "no events"
    return (f"median {statistics.median(values):.2f} ms, 95th percentile {p95(values):.2f} ms, "
            f"worst {max(values):.2f} ms, mean {statistics.mean(values):.2f} ms of {len(values)}")
