#!/usr/bin/python3
"""Pictures of the mesh at the end of each phase of a th10run analysis, drawn
with VTK (Debian's python3-vtk9) from the VTU files of its .pvd collection:

    render_results.py RESULTS.pvd [--out FOLDER]

For the last VTU file of each phase k it writes, as 800 x 600 PNG files:
  NAME_phaseK_displacement.png  the deformed mesh (displacements magnified so
                                that the largest is 5 % of the mesh's size),
                                coloured by the displacement's magnitude;
  NAME_phaseK_plastic.png       the plastic zone: each element coloured by its
                                share of Gauss points whose last increment was
                                plastic (yielded_share);
  NAME_phaseK_mechanism.png     where the file has a "mechanism" field (a
                                safety phase: the displacement of its last
                                converged step): the failure mechanism, the
                                mesh moved and coloured by it.
A slice that is thin in y (plane strain) is seen along y, anything else from
an oblique angle.

VTK on Debian renders through X even off screen: without a display (DISPLAY
unset) the script runs itself again under xvfb-run (Debian's xvfb). Exit
status 2 with a message when VTK or xvfb-run is missing, 1 for unreadable
results.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

PICTURE_SIZE = (800, 600)
MAGNIFIED_TO = 0.05  # largest displacement drawn as this share of the mesh's size
THIN = 0.2  # a mesh thinner than this share of its size in y is a plane-strain slice
MECHANISM = "mechanism"  # the point field of a safety phase's last step


def fail(status, message):
    print(f"render_results.py: {message}", file=sys.stderr)
    sys.exit(status)


def last_file_of_each_phase(pvd):
    """(phase, VTU path) of the last file of each phase, in phase order."""
    try:
        root = ET.parse(pvd).getroot()
    except (OSError, ET.ParseError) as e:
        fail(1, f"{pvd}: cannot read the collection ({e})")
    folder = os.path.dirname(os.path.abspath(pvd))
    last = {}
    for ds in root.iter("DataSet"):
        path = os.path.join(folder, ds.get("file"))
        try:
            with open(path, errors="replace") as f:
                head = f.read(2048)
        except OSError as e:
            fail(1, f"{path}: cannot read ({e.strerror})")
        m = re.search(r'Name="phase"[^>]*>\s*(\d+)', head)
        last[int(m.group(1)) if m else 1] = path
    if not last:
        fail(1, f"{pvd}: the collection lists no VTU file")
    return sorted(last.items())


def render(vtk, grid, bounds, out, colour_by, on_cells, warp_by, title):
    """One picture: the grid (moved by warp_by, if given) coloured by an array."""
    size = max(bounds[1] - bounds[0], bounds[3] - bounds[2], bounds[5] - bounds[4])
    source = grid
    if warp_by is not None:
        grid.GetPointData().SetActiveVectors(warp_by)
        largest = grid.GetPointData().GetArray(warp_by).GetMaxNorm()
        warp = vtk.vtkWarpVector()
        warp.SetInputData(grid)
        warp.SetScaleFactor(MAGNIFIED_TO * size / largest if largest > 0 else 0.0)
        warp.Update()
        source = warp.GetOutput()
    surface = vtk.vtkDataSetSurfaceFilter()
    surface.SetInputData(source)
    surface.Update()
    mapper = vtk.vtkDataSetMapper()
    mapper.SetInputConnection(surface.GetOutputPort())
    data = surface.GetOutput().GetCellData() if on_cells else surface.GetOutput().GetPointData()
    array = data.GetArray(colour_by)
    if on_cells:
        mapper.SetScalarModeToUseCellFieldData()
    else:
        mapper.SetScalarModeToUsePointFieldData()
    mapper.SelectColorArray(colour_by)
    lo, hi = array.GetRange(-1) if array.GetNumberOfComponents() > 1 else array.GetRange()
    mapper.SetScalarRange(lo, hi if hi > lo else lo + 1.0)
    lut = vtk.vtkLookupTable()
    lut.SetHueRange(0.667, 0.0)  # blue to red
    lut.SetVectorModeToMagnitude()
    lut.Build()
    mapper.SetLookupTable(lut)
    actor = vtk.vtkActor()
    actor.SetMapper(mapper)
    actor.GetProperty().EdgeVisibilityOn()
    actor.GetProperty().SetEdgeColor(0.2, 0.2, 0.2)
    actor.GetProperty().SetLineWidth(0.5)
    bar = vtk.vtkScalarBarActor()
    bar.SetLookupTable(lut)
    bar.SetTitle(colour_by)
    bar.SetNumberOfLabels(5)
    bar.SetWidth(0.08)
    bar.SetHeight(0.6)
    bar.SetPosition(0.9, 0.2)
    text = vtk.vtkTextActor()
    text.SetInput(title)
    text.GetTextProperty().SetFontSize(18)
    text.GetTextProperty().SetColor(0, 0, 0)
    text.SetPosition(10, PICTURE_SIZE[1] - 30)

    renderer = vtk.vtkRenderer()
    renderer.SetBackground(1, 1, 1)
    renderer.AddActor(actor)
    renderer.AddActor2D(bar)
    renderer.AddActor2D(text)
    bar.GetTitleTextProperty().SetColor(0, 0, 0)
    bar.GetLabelTextProperty().SetColor(0, 0, 0)
    camera = renderer.GetActiveCamera()
    cx, cy, cz = [(bounds[2 * i] + bounds[2 * i + 1]) / 2 for i in range(3)]
    camera.SetFocalPoint(cx, cy, cz)
    if bounds[3] - bounds[2] < THIN * size:
        camera.SetPosition(cx, cy - 4 * size, cz)  # along y onto the x-z plane
    else:
        camera.SetPosition(cx + 2 * size, cy - 3 * size, cz + 2 * size)
    camera.SetViewUp(0, 0, 1)
    renderer.ResetCamera()
    camera.Zoom(1.2)
    window = vtk.vtkRenderWindow()
    window.SetOffScreenRendering(1)
    window.AddRenderer(renderer)
    window.SetSize(*PICTURE_SIZE)
    window.Render()
    image = vtk.vtkWindowToImageFilter()
    image.SetInput(window)
    image.Update()
    writer = vtk.vtkPNGWriter()
    writer.SetFileName(out)
    writer.SetInputConnection(image.GetOutputPort())
    writer.Write()
    print(f"render_results.py: wrote {out}")


def main():
    a = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    a.add_argument("pvd")
    a.add_argument("--out", help="folder of the pictures (default: beside the .pvd)")
    args = a.parse_args()

    if not os.environ.get("DISPLAY"):
        if os.environ.get("RENDER_RESULTS_UNDER_XVFB"):
            fail(2, "no X display even under xvfb-run")
        xvfb = shutil.which("xvfb-run")
        if xvfb is None:
            fail(2, "VTK needs an X display to render, and there is none: install Debian's xvfb "
                    "(apt-get install xvfb xauth) or run under a display")
        env = dict(os.environ, RENDER_RESULTS_UNDER_XVFB="1")
        sys.exit(subprocess.call([xvfb, "-a", sys.executable, *sys.argv], env=env))
    try:
        import vtk
    except ImportError:
        fail(2, "VTK is missing: install Debian's python3-vtk9 (apt-get install python3-vtk9)")
    vtk.vtkObject.GlobalWarningDisplayOff()

    out = args.out or os.path.dirname(os.path.abspath(args.pvd))
    os.makedirs(out, exist_ok=True)
    stem = os.path.splitext(os.path.basename(args.pvd))[0]
    for phase, path in last_file_of_each_phase(args.pvd):
        reader = vtk.vtkXMLUnstructuredGridReader()
        reader.SetFileName(path)
        reader.Update()
        grid = reader.GetOutput()
        if grid.GetNumberOfCells() == 0:
            fail(1, f"{path}: no cells")
        bounds = grid.GetBounds()
        where = os.path.join(out, f"{stem}_phase{phase}")
        name = os.path.basename(path)
        render(vtk, grid, bounds, f"{where}_displacement.png", "displacement", False, "displacement",
               f"{stem}, end of phase {phase} ({name}): displacement")
        render(vtk, grid, bounds, f"{where}_plastic.png", "yielded_share", True, None,
               f"{stem}, end of phase {phase}: plastic zone")
        if grid.GetPointData().GetArray(MECHANISM) is not None:
            render(vtk, grid, bounds, f"{where}_mechanism.png", MECHANISM, False, MECHANISM,
                   f"{stem}, phase {phase}: failure mechanism")


if __name__ == "__main__":
    main()
