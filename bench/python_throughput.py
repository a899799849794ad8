"""The Python half of bench/python_throughput.sh: forms per second
through check_frame in one process and through talvechk.dask.check on two
local worker processes.  Dask's workers re-import the main module, hence a
file with a main guard rather than a script on standard input."""

import os, sys, time, warnings
import pandas as pd
import talvechk, talvechk.dask
from distributed import Client, LocalCluster


def best(run):
    return min(timed(run) for _ in range(3))


def timed(run):
    t = time.perf_counter()
    run()
    return time.perf_counter() - t


def main():
    form_path, results, forms = sys.argv[1], sys.argv[2], int(sys.argv[3])
    form = talvechk.Form.load(form_path)

    def in_process():
        frame = pd.read_csv(results, dtype=str, keep_default_na=False)
        form.check_frame(frame, id_column="FORM_ID")

    print(f"{forms:<8} {'check_frame, one process':<34} {forms / best(in_process):10.0f}", flush=True)
    # Blocks of an eighth of the file, so both workers have work.
    blocksize = max(1 << 16, os.path.getsize(results) // 8)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                          silence_logs=40) as cluster, Client(cluster) as client:
            def run():
                talvechk.dask.check(form, results, id_column="FORM_ID", client=client, blocksize=blocksize)

            run()  # the workers import the package once
            print(f"{forms:<8} {'talvechk.dask.check, 2 workers':<34} {forms / best(run):10.0f}", flush=True)


if __name__ == "__main__":
    main()
