#!/usr/bin/python3
"""Measures the baseline build and this tree's build side by side and writes
bench/RESULTS.md. Run through bench/compare-baseline.sh, which builds both.

Every measurement alternates the two programs round by round, so that a
change of machine load falls on both alike; each reports min/median/max over
its rounds.
  - single runs of c1_fixed and c12_fixed as processes: CPU time (user + system)
  - one corrector pass and its floor (the pow and sqrt calls the pass makes) for
    1, 4 and 12 cylinders, from each build's own Google Benchmark suite
  - a 40 x 40 map of c1_load with --jobs 2: wall time and peak RSS, and
    20 x 20 and 10 x 10 maps for the peak RSS against the grid size
  - the 40 x 40 and 10 x 10 maps of this tree with --warm-start (the baseline
    has none): wall time against the baseline's cold map, peak RSS, and the
    cycles per point, cold against warm
  - the 40 x 40 map's CSV, point by point, every column, against the baseline's
  - instruction counts of the single runs (valgrind), when valgrind is there
"""
import argparse
import csv
import datetime
import io
import json
import os
import platform
import shutil
import statistics
import subprocess
import time

MAP_SPEEDS = "800:4000"   # [rpm]
MAP_LOADS = "0.5:12"      # target pe [bar]; both ends give points that stop


def spawn(argv, stdout_path=os.devnull):
    """Runs argv; returns (exit status, wall [s], CPU [ms], peak RSS [KiB])."""
    out = os.open(stdout_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    err = os.open(os.devnull, os.O_WRONLY)
    try:
        start = time.perf_counter()
        pid = os.posix_spawn(argv[0], argv, os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, out, 1), (os.POSIX_SPAWN_DUP2, err, 2)])
        _, status, ru = os.wait4(pid, 0)
        wall = time.perf_counter() - start
    finally:
        os.close(out)
        os.close(err)
    return os.waitstatus_to_exitcode(status), wall, (ru.ru_utime + ru.ru_stime) * 1000.0, ru.ru_maxrss


def stats(values):
    v = sorted(values)
    return {"min": v[0], "median": statistics.median(v), "max": v[-1], "n": len(v)}


def fmt(s, digits=2):
    return f"{s['min']:.{digits}f} / {s['median']:.{digits}f} / {s['max']:.{digits}f}"


def single_runs(builds, examples, scratch, rounds):
    """CPU time [ms] of whole program runs, each build in its own copy of the example."""
    result = {}
    for example in ("c1_fixed", "c12_fixed"):
        src = os.path.join(examples, example)
        dirs = {}
        for name in builds:
            d = os.path.join(scratch, f"{name}-{example}")
            shutil.rmtree(d, ignore_errors=True)
            shutil.copytree(src, d)
            dirs[name] = d
        cpu = {name: [] for name in builds}
        for r in range(rounds + 1):
            order = list(builds) if r % 2 == 0 else list(reversed(builds))
            for name in order:
                # The run rewrites fort14.dat with one cylinder; each starts from the example's.
                if os.path.exists(os.path.join(src, "fort14.dat")):
                    shutil.copy(os.path.join(src, "fort14.dat"), dirs[name])
                status, _, ms, _ = spawn([builds[name]["program"], "-C", dirs[name]])
                if status != 0:
                    raise SystemExit(f"{name}: {example} ended with status {status}")
                if r > 0:  # the first round warms the caches and creates the outputs
                    cpu[name].append(ms)
        result[example] = {name: stats(v) for name, v in cpu.items()}
    return result


def pass_benchmarks(builds, rounds, repetitions):
    """ns per corrector pass and per floor, from each build's own suite."""
    values = {name: {} for name in builds}
    for r in range(rounds):
        order = list(builds) if r % 2 == 0 else list(reversed(builds))
        for name in order:
            out = subprocess.run([builds[name]["bench"], "--benchmark_filter=^BM_CorrectorPass(Floor)?/",
                                  f"--benchmark_repetitions={repetitions}", "--benchmark_min_time=0.2",
                                  "--benchmark_format=json"], capture_output=True, text=True, check=True).stdout
            for b in json.loads(out)["benchmarks"]:
                if b.get("run_type") != "iteration":
                    continue
                values[name].setdefault(b["run_name"], []).append(b["per_pass"] * 1e9)
    return {name: {k: stats(v) for k, v in runs.items()} for name, runs in values.items()}


def maps(builds, examples, scratch, rounds):
    """Wall time [s], CPU time [s] and peak RSS [MiB] of a 40 x 40, a 20 x 20 and a 10 x 10 map, and of the 40 x 40
    and 10 x 10 maps of the current build with --warm-start ("warm"), round by round with the others; the CSVs of
    the last maps of each grid ("baseline", "current", "warm")."""
    result = {}
    csvs = {}
    runs = dict(builds)
    runs["warm"] = {"program": builds["current"]["program"], "args": ["--warm-start"]}
    for count, n in ((40, rounds), (20, max(2, rounds // 2)), (10, max(2, rounds // 2))):
        names = list(runs) if count != 20 else list(builds)
        wall = {name: [] for name in names}
        cpu = {name: [] for name in names}
        rss = {name: [] for name in names}
        for r in range(n):
            order = names if r % 2 == 0 else list(reversed(names))
            for name in order:
                path = os.path.join(scratch, f"map-{name}-{count}.csv")
                status, seconds, ms, kib = spawn([runs[name]["program"], "map", os.path.join(examples, "c1_load"),
                                                 "--speeds", f"{MAP_SPEEDS}:{count}", "--loads",
                                                 f"{MAP_LOADS}:{count}", "--jobs", "2"] + runs[name].get("args", []),
                                                 path)
                if status not in (0, 3):
                    raise SystemExit(f"{name}: map ended with status {status}")
                wall[name].append(seconds)
                cpu[name].append(ms / 1000.0)
                rss[name].append(kib / 1024.0)
                csvs[(name, count)] = path
        result[count] = {"wall": {k: stats(v) for k, v in wall.items()}, "cpu": {k: stats(v) for k, v in cpu.items()},
                         "rss": {k: stats(v) for k, v in rss.items()}}
    return result, csvs


def cycles_per_point(path):
    """Mean of the cycles column over every point, and over the completed ones, with their count."""
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    done = [int(r["cycles"]) for r in rows if r["end"] == "completed"]
    return {"all": sum(int(r["cycles"]) for r in rows) / len(rows), "completed": sum(done) / max(1, len(done)),
            "count": len(done), "points": len(rows)}


def map_check(base_csv, cur_csv):
    """Every column of the baseline's CSV at every point, as text (shortest round-trip floats: equal text, equal
    bits); columns the current CSV adds after them are not the baseline's to check."""
    def rows(path):
        with open(path, newline="") as f:
            return list(csv.reader(f))
    base, cur = rows(base_csv), rows(cur_csv)
    width = len(base[0])
    differing = []
    if base[0] != cur[0][:width]:
        differing.append(("header", base[0], cur[0]))
    for b, c in zip(base[1:], cur[1:]):
        if b != c[:width]:
            differing.append((f"{b[0]} rpm, {b[1]}", b, c[:width]))
    ends = {}
    for row in base[1:]:
        ends[row[-1]] = ends.get(row[-1], 0) + 1
    return {"points": len(base) - 1, "points_current": len(cur) - 1, "ends": ends, "differing": differing}


def instruction_counts(builds, examples, scratch):
    if shutil.which("valgrind") is None:
        return None
    counts = {}
    for example in ("c1_fixed", "c12_fixed"):
        for name in builds:
            d = os.path.join(scratch, f"cg-{name}-{example}")
            shutil.rmtree(d, ignore_errors=True)
            shutil.copytree(os.path.join(examples, example), d)
            err = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                                  builds[name]["program"], "-C", d], capture_output=True, text=True).stderr
            total = [line for line in err.splitlines() if "Collected" in line]
            counts[(example, name)] = int(total[-1].split(":")[-1].strip()) if total else None
    return counts


def machine():
    model = "unknown"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} logical CPUs, {platform.system()} {platform.release()}"


def ratio_row(label, base, cur, target, unit, digits=2):
    ratio = cur["median"] / base["median"]
    met = "yes" if ratio <= target else "no"
    return (f"| {label} | {fmt(base, digits)} {unit} | {fmt(cur, digits)} {unit} | {ratio:.3f} | <= {target} | {met} |")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--base-bin", required=True)
    ap.add_argument("--cur-bin", required=True)
    ap.add_argument("--base-rev", required=True)
    ap.add_argument("--cur-rev", required=True)
    ap.add_argument("--examples", required=True)
    ap.add_argument("--scratch", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--quick", action="store_true")
    a = ap.parse_args()

    builds = {
        "baseline": {"program": os.path.join(a.base_bin, "diesel-cycle"), "bench": os.path.join(a.base_bin, "diesel_bench")},
        "current": {"program": os.path.join(a.cur_bin, "diesel-cycle"), "bench": os.path.join(a.cur_bin, "diesel_bench")},
    }
    run_rounds, bench_rounds, bench_reps, map_rounds = (10, 2, 3, 2) if a.quick else (40, 4, 5, 6)
    started = datetime.datetime.now().astimezone()
    load_before = os.getloadavg()

    print("== single runs", flush=True)
    runs = single_runs(builds, a.examples, a.scratch, run_rounds)
    print("== corrector pass and floor", flush=True)
    passes = pass_benchmarks(builds, bench_rounds, bench_reps)
    print("== maps", flush=True)
    map_times, csvs = maps(builds, a.examples, a.scratch, map_rounds)
    check = map_check(csvs[("baseline", 40)], csvs[("current", 40)])
    cycles = {(name, count): cycles_per_point(csvs[(name, count)]) for name in ("current", "warm") for count in (10, 40)}
    print("== instruction counts", flush=True)
    counts = instruction_counts(builds, a.examples, a.scratch)
    load_after = os.getloadavg()

    b, c = "baseline", "current"
    out = io.StringIO()
    w = lambda line="": out.write(line + "\n")  # noqa: E731
    w("# Speed against the baseline")
    w()
    w(f"Written by `bench/compare-baseline.sh` on {started:%Y-%m-%d %H:%M %Z}.")
    w()
    w(f"- Machine: {machine()}.")
    w(f"- Load average (1 min) {load_before[0]:.2f} before, {load_after[0]:.2f} after: other work on the machine "
      "shows in every number, and falls on both programs alike, round by round.")
    w(f"- Baseline {a.base_rev}, current {a.cur_rev}; both Release builds with the project's flags, "
      "built by the script from their own sources.")
    w(f"- Cells are min / median / max; ratios are current/baseline of the medians. "
      f"{'Quick run: few rounds.' if a.quick else ''}")
    w()
    w("## Targets")
    w()
    w("| Measure | Baseline | Current | Ratio | Target | Met |")
    w("|---|---|---|---|---|---|")
    w(ratio_row("c1_fixed, one run, CPU", runs["c1_fixed"][b], runs["c1_fixed"][c], 0.75, "ms"))
    w(ratio_row("c12_fixed, one run, CPU", runs["c12_fixed"][b], runs["c12_fixed"][c], 0.6, "ms"))
    w(ratio_row("40 x 40 map of c1_load, --jobs 2, wall", map_times[40]["wall"][b], map_times[40]["wall"][c], 0.8, "s"))
    w(ratio_row("the same with --warm-start (baseline: cold), wall", map_times[40]["wall"][b], map_times[40]["wall"]["warm"],
                0.4, "s"))
    ratio10 = cycles[("current", 10)]["all"] / cycles[("warm", 10)]["all"]
    w(f"| cycles per point, 10 x 10 map, cold over --warm-start | | {cycles[('current', 10)]['all']:.2f} / "
      f"{cycles[('warm', 10)]['all']:.2f} | {ratio10:.2f}x | >= 1.8x | {'yes' if ratio10 >= 1.8 else 'no'} |")
    p12, f12, bf12 = passes[c]["BM_CorrectorPass/ncyl:12"], passes[c]["BM_CorrectorPassFloor/ncyl:12"], \
        passes[b]["BM_CorrectorPassFloor/ncyl:12"]
    own = p12["median"] / f12["median"]
    w(f"| corrector pass, 12 cylinders, over its floor | {passes[b]['BM_CorrectorPass/ncyl:12']['median'] / bf12['median']:.2f}x "
      f"| {own:.2f}x | | <= 1.6x | {'yes' if own <= 1.6 else 'no'} |")
    def per_point(name):  # KiB of peak RSS per point added from 10 x 10 to 40 x 40
        return (map_times[40]["rss"][name]["median"] - map_times[10]["rss"][name]["median"]) * 1024.0 / 1500.0
    w(f"| peak RSS of the map, 10 x 10 / 20 x 20 / 40 x 40 | "
      + " / ".join(f"{map_times[g]['rss'][b]['median']:.1f}" for g in (10, 20, 40)) + " MiB | "
      + " / ".join(f"{map_times[g]['rss'][c]['median']:.1f}" for g in (10, 20, 40)) + " MiB | "
      f"{per_point(b):.1f} / {per_point(c):.1f} KiB per point | flat | see Maps |")
    w()
    w("The floor of a pass is the time of the `pow` and `sqrt` calls it makes, with their arguments, and nothing else; "
      "each build counts its own pass's calls. The current pass makes fewer (shut valves form no powers, repeated "
      "powers are reused), so its own floor is lower than the baseline's:")
    w()
    w("| Cylinders | Baseline pass | Baseline floor | Current pass | Current floor | Current over own floor | "
      "Current over baseline floor |")
    w("|---|---|---|---|---|---|---|")
    for n in (1, 4, 12):
        bp, bf = passes[b][f"BM_CorrectorPass/ncyl:{n}"], passes[b][f"BM_CorrectorPassFloor/ncyl:{n}"]
        cp, cf = passes[c][f"BM_CorrectorPass/ncyl:{n}"], passes[c][f"BM_CorrectorPassFloor/ncyl:{n}"]
        w(f"| {n} | {fmt(bp, 1)} ns | {fmt(bf, 1)} ns | {fmt(cp, 1)} ns | {fmt(cf, 1)} ns | "
          f"{cp['median'] / cf['median']:.2f}x | {cp['median'] / bf['median']:.2f}x |")
    w()
    w("## Maps")
    w()
    w(f"`diesel-cycle map examples/c1_load --speeds {MAP_SPEEDS}:N --loads {MAP_LOADS}:N --jobs 2`, CSV to a file, "
      "no `--out`.")
    w()
    w("| Grid | Baseline wall | Current wall | Baseline CPU | Current CPU | Baseline peak RSS | Current peak RSS |")
    w("|---|---|---|---|---|---|---|")
    for count in (10, 20, 40):
        m = map_times[count]
        w(f"| {count} x {count} | {fmt(m['wall'][b], 3)} s | {fmt(m['wall'][c], 3)} s | {fmt(m['cpu'][b], 3)} s | "
          f"{fmt(m['cpu'][c], 3)} s | {fmt(m['rss'][b], 1)} MiB | {fmt(m['rss'][c], 1)} MiB |")
    w()
    w("With `--warm-start` (this tree only; the same grids, round by round with the others):")
    w()
    w("| Grid | Wall | CPU | Peak RSS | Cycles per point, cold / warm | Completed points, cold / warm | "
      "Cycles per completed point, cold / warm |")
    w("|---|---|---|---|---|---|---|")
    for count in (10, 40):
        m, cc, cw = map_times[count], cycles[("current", count)], cycles[("warm", count)]
        w(f"| {count} x {count} | {fmt(m['wall']['warm'], 3)} s | {fmt(m['cpu']['warm'], 3)} s | "
          f"{fmt(m['rss']['warm'], 1)} MiB | {cc['all']:.2f} / {cw['all']:.2f} ({cc['all'] / cw['all']:.2f}x) | "
          f"{cc['count']} / {cw['count']} of {cc['points']} | {cc['completed']:.2f} / {cw['completed']:.2f} |")
    w()
    w("A warm map's figures differ from the cold map's within the convergence tolerances, and so may the ending of "
      "a point whose convergence is marginal; the map check below compares the cold maps only.")
    w()
    w("The wall time of a map with two jobs depends on whether two cores are free: on a busy machine its rounds "
      "split into those that had them and those that did not. The CPU time (both threads) does not; its ratio, "
      f"current/baseline of the medians, is {map_times[40]['cpu'][c]['median'] / map_times[40]['cpu'][b]['median']:.3f} "
      "for the 40 x 40 map.")
    w()
    w("Peak RSS is that of the whole map process: the runs in flight (two with --jobs 2, each with its run state "
      "and its output texts), the rows of the points done, and what the allocator keeps; it varies from run to run "
      "by a few MiB. The ratio column of the targets gives the growth per added point, baseline / current.")
    w()
    ends = ", ".join(f"{n} {e}" for e, n in sorted(check["ends"].items()))
    if check["differing"] or check["points"] != check["points_current"]:
        w(f"**Map check: {len(check['differing'])} of {check['points']} points differ** ({ends}):")
        w()
        for where, bl, cl in check["differing"][:20]:
            w(f"- {where}: baseline `{','.join(bl)}`, current `{','.join(cl)}`")
    else:
        w(f"Map check: all {check['points']} points of the 40 x 40 map ({ends}) have the same text in every column of "
          "the baseline's CSV, figures, cycle counts and endings: the same bits, the points that stop included (the "
          "columns the current CSV adds after them are not compared).")
    w()
    w("## Single runs")
    w()
    w("Whole program runs in a copy of the example folder (`diesel-cycle -C DIR`), CPU time (user + system) of the "
      "process: start, reading, the run, every output file and the start table. Each round reruns the same case, as "
      "a user rerunning it would: c1_fixed writes the same start table every time, which the baseline replaces "
      "(temporary file, two fsyncs, rename) and the current program finds unchanged and leaves as it is; c12_fixed "
      "has no start table.")
    w()
    w("| Example | Baseline | Current | Ratio |")
    w("|---|---|---|---|")
    for example in ("c1_fixed", "c12_fixed"):
        r = runs[example]
        w(f"| {example} | {fmt(r[b])} ms | {fmt(r[c])} ms | {r[c]['median'] / r[b]['median']:.3f} |")
    if counts:
        w()
        w("Instructions (valgrind callgrind, whole process):")
        w()
        w("| Example | Baseline | Current | Ratio |")
        w("|---|---|---|---|")
        for example in ("c1_fixed", "c12_fixed"):
            bc, cc = counts[(example, b)], counts[(example, c)]
            if bc and cc:
                w(f"| {example} | {bc / 1e6:.1f} M | {cc / 1e6:.1f} M | {cc / bc:.3f} |")
    with open(a.out, "w") as f:
        f.write(out.getvalue())
    print(out.getvalue())
    if check["differing"]:
        raise SystemExit("map check failed: results differ from the baseline")


if __name__ == "__main__":
    main()
